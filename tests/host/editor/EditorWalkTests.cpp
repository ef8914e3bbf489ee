// The editor driven from outside its process, as a user drives it: the mouse and keyboard of
// the X server (xdotool), a window manager placing and focusing the windows, and the plug-in
// hosted by the probe in a process of its own, with its own home folder.

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include "host/BuiltBundle.h"
#include "support/MenuBarLayout.h"
#include "support/TempFolder.h"

namespace
{
juce::String runTool (const juce::StringArray& command)
{
    juce::ChildProcess process;
    if (! process.start (command, juce::ChildProcess::wantStdOut))
        return {};
    auto output = process.readAllProcessOutput();
    process.waitForProcessToFinish (30000);
    return output.trim();
}

/** The first visible X window with exactly this title, waiting up to 10 s for it. */
juce::String waitForWindow (const juce::String& title)
{
    return runTool ({ "timeout", "10", "xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + title + "$" }).upToFirstOccurrenceOf ("\n", false, false);
}

bool waitFor (const std::function<bool()>& condition)
{
    for (int i = 0; i < 100; ++i)
    {
        if (condition())
            return true;
        juce::Thread::sleep (100);
    }
    return condition();
}
} // namespace

// Save opens its dialog with the name field taking the keyboard, so a name typed at once is
// the preset's name and Return saves it; Return then closes the message that says so. The
// second time, the dialog opens right after another has closed.
TEST (EditorWalk, ANameTypedAsTheSaveDialogOpensNamesThePreset)
{
    TempFolder home;
    const auto title = "Kravell Walk " + juce::String (juce::Random::getSystemRandom().nextInt64());
    juce::ChildProcess probe;
    ASSERT_TRUE (probe.start ({ "env", "HOME=" + home.folder.getFullPathName(), "KRAVELL_PROBE_TITLE=" + title,
                                KRAVELL_EDITOR_SIZE_PROBE, builtBundle().getFullPathName(), "host", "60000", "opening" },
                              juce::ChildProcess::wantStdOut));
    const juce::ScopeGuard closeTheProbe { [&probe] { probe.kill(); } };
    const auto window = waitForWindow (title);
    ASSERT_TRUE (window.isNotEmpty()) << "the probe's window did not appear";
    // As a user does, looks before clicking: the editor draws itself after its window shows.
    juce::Thread::sleep (1500);

    std::map<juce::String, int> geometry;
    for (const auto& line : juce::StringArray::fromLines (runTool ({ "xdotool", "getwindowgeometry", "--shell", window })))
        geometry[line.upToFirstOccurrenceOf ("=", false, false)] = line.fromFirstOccurrenceOf ("=", false, false).getIntValue();
    const auto save = layout::menuBarButtonsFor (geometry["WIDTH"], geometry["HEIGHT"]).save;
    const auto presets = home.folder.getChildFile (".config/DornelAudio/Kravell/version_" KRAVELL_VERSION "/Presets");

    for (const juce::String name : { "Walk Kick", "Walk Snare" })
    {
        runTool ({ "xdotool", "mousemove", "--window", window, juce::String (save.centreX()), juce::String (save.centreY()), "click", "1" });
        const auto dialog = waitForWindow ("Save Preset");
        ASSERT_TRUE (dialog.isNotEmpty()) << "Save opened no dialog";
        // Typed at once, to whatever has the keyboard: no click into the field first.
        runTool ({ "xdotool", "type", "--delay", "40", name });
        runTool ({ "xdotool", "key", "Return" });
        EXPECT_TRUE (waitFor ([&] { return presets.getChildFile (name + ".xml").existsAsFile(); }))
            << "no preset named " << name << " in " << presets.getFullPathName() << ": "
            << presets.findChildFiles (juce::File::findFiles, false).size() << " other file(s)";
        EXPECT_TRUE (waitFor ([] { return runTool ({ "xdotool", "search", "--onlyvisible", "--name", "^Save Preset$" }).isEmpty(); }))
            << "Return did not close the dialog";
        // The message that says it is saved goes with Return, too.
        ASSERT_TRUE (waitForWindow ("Success").isNotEmpty()) << "no message that the preset was saved";
        runTool ({ "xdotool", "key", "Return" });
        EXPECT_TRUE (waitFor ([] { return runTool ({ "xdotool", "search", "--onlyvisible", "--name", "^Success$" }).isEmpty(); }))
            << "Return did not close the message";
    }
}
