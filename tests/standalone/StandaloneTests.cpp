// The standalone app as a user meets it on a machine with no sound card: started from a
// desktop (the test display and its window manager), told that there is no audio device,
// closed with the window's close button, and started again with what it remembered.
// The processor is used here only to write and read the app's saved plug-in state.

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "processor/PluginProcessor.h"
#include "support/DesktopTools.h"

#include <csignal>
#include <fcntl.h>
#include <map>
#include <set>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace
{
const juce::String appTitle = "Kravell - no audio device";
const juce::String messageTitle = "No audio device";

/** The built app, started with its own home folder (where it keeps its settings), its output
    in files. */
class RunningApp
{
public:
    explicit RunningApp (const juce::File& homeIn) : home (homeIn)
    {
        std::vector<std::string> environment;
        for (auto** variable = environ; *variable != nullptr; ++variable)
            if (! juce::String (*variable).startsWith ("HOME="))
                environment.emplace_back (*variable);
        environment.push_back ("HOME=" + home.getFullPathName().toStdString());
        environment.push_back ("JACK_NO_START_SERVER=1");
        std::vector<char*> envp;
        for (auto& variable : environment)
            envp.push_back (variable.data());
        envp.push_back (nullptr);

        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init (&files);
        posix_spawn_file_actions_addopen (&files, 1, outputFile().getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen (&files, 2, errorFile().getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::string app = KRAVELL_STANDALONE_APP;
        char* argv[] = { app.data(), nullptr };
        if (posix_spawn (&pid, app.c_str(), &files, nullptr, argv, envp.data()) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy (&files);
    }

    ~RunningApp()
    {
        if (pid > 0 && ! exited)
        {
            kill (pid, SIGKILL);
            waitpid (pid, nullptr, 0);
        }
    }

    bool started() const { return pid > 0; }

    /** Waits up to 20 s for the app to end; true when it ended by itself with status 0. */
    bool exitsCleanly()
    {
        for (int i = 0; i < 200 && ! exited; ++i)
        {
            int status = 0;
            if (waitpid (pid, &status, WNOHANG) == pid)
            {
                exited = true;
                exitStatus = status;
            }
            else
                juce::Thread::sleep (100);
        }
        return exited && WIFEXITED (exitStatus) && WEXITSTATUS (exitStatus) == 0;
    }

    juce::String errorOutput() const { return errorFile().loadFileAsString(); }

    /** What every thread of the running app is doing, for a failure report: why it did not end. */
    juce::String backtrace() const
    {
        if (pid <= 0 || exited)
            return "(the app has ended)";
        juce::ChildProcess gdb;
        if (! gdb.start (juce::StringArray { "gdb", "-batch", "-p", juce::String (pid), "-ex", "thread apply all bt 25" }))
            return "(gdb did not start)";
        const auto output = gdb.readAllProcessOutput();
        gdb.waitForProcessToFinish (30000);
        return output;
    }

    juce::File settingsFile() const { return home.getChildFile (".config/DornelAudio/Kravell/Kravell.settings"); }

private:
    juce::File outputFile() const { return home.getChildFile ("kravell.out"); }
    juce::File errorFile() const { return home.getChildFile ("kravell.err"); }

    juce::File home;
    pid_t pid = -1;
    bool exited = false;
    int exitStatus = 0;
};

/** Does what a user does on first seeing the app: reads the message, presses OK, then closes
    the window with its close button (the window manager's close request). */
void dismissMessageAndClose (const juce::String& window)
{
    const auto message = waitForWindow (messageTitle);
    ASSERT_TRUE (message.isNotEmpty()) << "no message about the missing audio device";
    runTool ({ "xdotool", "windowactivate", "--sync", message, "key", "Return" });
    for (int i = 0; i < 50 && windowExists (messageTitle); ++i)
        juce::Thread::sleep (100);
    EXPECT_FALSE (windowExists (messageTitle)) << "OK closes the message; the active window is '"
                                               << runTool ({ "xdotool", "getactivewindow", "getwindowname" }) << "'; "
                                               << runTool ({ "xprop", "-root", "_NET_ACTIVE_WINDOW" }) << "; the window manager: "
                                               << runTool ({ "wmctrl", "-m" }) << "; the message window " << message << ": "
                                               << runTool ({ "xprop", "-id", message, "_NET_WM_STATE", "WM_STATE", "_NET_WM_WINDOW_TYPE", "WM_HINTS" });
    runTool ({ "wmctrl", "-i", "-c", window });
}

bool machineHasASoundCard()
{
    return juce::File ("/dev/snd").isDirectory() && juce::File ("/dev/snd").getNumberOfChildFiles (juce::File::findFiles, "pcm*") > 0;
}

class Standalone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (machineHasASoundCard())
            GTEST_SKIP() << "this machine has a sound card; these tests are about starting without one";
        // The window manager closes the app and hands the keyboard to its message: without
        // one, these tests would fail for the display's sake, not the app's.
        ASSERT_TRUE (runTool ({ "wmctrl", "-m" }).isNotEmpty()) << "no window manager runs on the test display";
        home = juce::File::createTempFile ("kravell-home");
        home.createDirectory();
    }

    void TearDown() override { home.deleteRecursively(); }

    juce::File home;
};
} // namespace

TEST_F (Standalone, StartsWithoutAudioDeviceSaysSoShowsTheEditorAndQuitsWhenClosed)
{
    RunningApp app (home);
    ASSERT_TRUE (app.started());
    const auto window = waitForWindow (appTitle);
    ASSERT_TRUE (window.isNotEmpty()) << "no window titled '" << appTitle << "'; the app said:\n" << app.errorOutput();
    EXPECT_TRUE (waitForWindow (messageTitle).isNotEmpty());

    // A picture for review: the app's window, with the message over the editor.
    const juce::File picture (juce::String (KRAVELL_PICTURE_DIR) + "/kravell-standalone-no-audio-device.png");
    picture.deleteFile();
    runTool ({ "import", "-window", "root", picture.getFullPathName() });
    const auto image = juce::ImageFileFormat::loadFrom (picture);
    ASSERT_TRUE (image.isValid()) << "no screenshot at " << picture.getFullPathName();
    const auto geometry = juce::StringArray::fromLines (runTool ({ "xdotool", "getwindowgeometry", "--shell", window }));
    std::map<juce::String, int> bounds;
    for (const auto& line : geometry)
        bounds[line.upToFirstOccurrenceOf ("=", false, false)] = line.fromFirstOccurrenceOf ("=", false, false).getIntValue();
    EXPECT_GE (bounds["WIDTH"], 500) << "the editor opens at its own size";
    EXPECT_GE (bounds["HEIGHT"], 283);

    // The editor is drawn: its area of the screen holds its many colours, not a blank window.
    std::set<juce::uint32> colours;
    const auto area = juce::Rectangle<int> (bounds["X"], bounds["Y"], bounds["WIDTH"], bounds["HEIGHT"]).getIntersection (image.getBounds());
    for (int y = area.getY(); y < area.getBottom(); y += 3)
        for (int x = area.getX(); x < area.getRight(); x += 3)
            colours.insert (image.getPixelAt (x, y).getARGB());
    EXPECT_GT (colours.size(), 100u) << "the window looks blank in " << picture.getFullPathName();

    EXPECT_TRUE (app.errorOutput().contains ("no audio device")) << app.errorOutput();

    dismissMessageAndClose (window);
    EXPECT_TRUE (app.exitsCleanly()) << app.errorOutput() << app.backtrace();
    EXPECT_FALSE (windowExists (appTitle));
    EXPECT_TRUE (app.settingsFile().existsAsFile()) << "settings are saved on the way out";
}

TEST_F (Standalone, RemembersItsLastSettingsBetweenRuns)
{
    // The state a previous run left: a factory preset, then edited.
    juce::MemoryBlock lastState;
    {
        KravellAudioProcessor processor;
        processor.loadFactoryPreset ("Snare Snap");
        auto* attack = processor.parameterState.getParameter ("attack");
        attack->setValueNotifyingHost (attack->convertTo0to1 (-4.5f));
        ASSERT_TRUE (processor.isCurrentPresetModified());
        processor.getStateInformation (lastState);
    }
    const auto settingsFile = home.getChildFile (".config/DornelAudio/Kravell/Kravell.settings");
    ASSERT_TRUE (settingsFile.getParentDirectory().createDirectory());
    {
        juce::PropertiesFile::Options options;
        options.storageFormat = juce::PropertiesFile::storeAsXML;
        juce::PropertiesFile settings (settingsFile, options);
        settings.setValue ("filterState", lastState.toBase64Encoding());
        ASSERT_TRUE (settings.save());
    }

    {
        RunningApp app (home);
        ASSERT_TRUE (app.started());
        const auto window = waitForWindow (appTitle);
        ASSERT_TRUE (window.isNotEmpty()) << app.errorOutput();
        dismissMessageAndClose (window);
        ASSERT_TRUE (app.exitsCleanly()) << app.errorOutput() << app.backtrace();
    }

    // What it saved on the way out is what it started with: had it not restored it, it would
    // have saved its defaults.
    juce::PropertiesFile::Options options;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    juce::PropertiesFile saved (settingsFile, options);
    juce::MemoryBlock savedState;
    ASSERT_TRUE (savedState.fromBase64Encoding (saved.getValue ("filterState")));
    EXPECT_EQ (savedState, lastState);

    KravellAudioProcessor recalled;
    recalled.setStateInformation (savedState.getData(), (int) savedState.getSize());
    EXPECT_EQ (recalled.getCurrentPresetName(), "Snare Snap");
    EXPECT_TRUE (recalled.isCurrentPresetModified());
    auto* attack = recalled.parameterState.getParameter ("attack");
    EXPECT_FLOAT_EQ (attack->convertFrom0to1 (attack->getValue()), -4.5f);
    EXPECT_TRUE (saved.containsKey ("windowX")) << "the window's place is kept too";
}
