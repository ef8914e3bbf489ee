// The editor driven from outside its process, as a user drives it: the mouse and keyboard of
// the X server (xdotool), a window manager placing and focusing the windows, and the plug-in
// hosted by the probe in a process of its own, with its own home folder.

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include "host/BuiltBundle.h"
#include "support/DesktopTools.h"
#include "support/EditorLayout.h"
#include "support/TempFolder.h"

namespace
{
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

/** The plug-in's editor in the probe, in a home folder of its own, and what a user does to it. */
class EditorWalk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto title = "Kravell Walk " + juce::String (juce::Random::getSystemRandom().nextInt64());
        ASSERT_TRUE (probe.start ({ "env", "HOME=" + home.folder.getFullPathName(), "KRAVELL_PROBE_TITLE=" + title,
                                    KRAVELL_EDITOR_SIZE_PROBE, builtBundle().getFullPathName(), "host", "60000", "opening" },
                                  juce::ChildProcess::wantStdOut));
        window = waitForWindow (title, 10);
        ASSERT_TRUE (window.isNotEmpty()) << "the probe's window did not appear";
        // As a user does, looks before clicking: the editor draws itself after its window shows.
        juce::Thread::sleep (1500);

        std::map<juce::String, int> geometry;
        for (const auto& line : juce::StringArray::fromLines (runTool ({ "xdotool", "getwindowgeometry", "--shell", window })))
            geometry[line.upToFirstOccurrenceOf ("=", false, false)] = line.fromFirstOccurrenceOf ("=", false, false).getIntValue();
        buttons = layout::menuBarButtonsFor (geometry["WIDTH"], geometry["HEIGHT"]);
        attackReadout = layout::attackReadoutFor (geometry["WIDTH"], geometry["HEIGHT"]);
    }

    void TearDown() override { probe.kill(); }

    void click (const layout::Area& area) { click (layout::Point { area.centreX(), area.centreY() }); }

    void click (layout::Point point)
    {
        runTool ({ "xdotool", "mousemove", "--window", window, juce::String (point.x), juce::String (point.y), "click", "1" });
    }

    static void keys (const juce::StringArray& names)
    {
        juce::StringArray command { "xdotool", "key", "--delay", "60" };
        command.addArray (names);
        runTool (command);
    }

    /** Waits for the dialog of this title, then types straight into it, with no click first,
        and presses Return. */
    static void answer (const juce::String& dialogTitle, const juce::String& typed)
    {
        ASSERT_TRUE (waitForWindow (dialogTitle, 10).isNotEmpty()) << "no " << dialogTitle << " dialog";
        if (typed.isNotEmpty())
            runTool ({ "xdotool", "type", "--delay", "40", typed });
        keys ({ "Return" });
        EXPECT_TRUE (waitFor ([&] { return ! windowExists (dialogTitle); })) << "Return did not close " << dialogTitle;
    }

    /** The open menus and submenus of the editor: windows the framework names "menu". */
    static int openMenus()
    {
        auto windows = juce::StringArray::fromLines (runTool ({ "xdotool", "search", "--onlyvisible", "--name", exactWindowTitle ("menu") }));
        windows.removeEmptyStrings();
        return windows.size();
    }

    /** Opens the preset menu with the mouse and picks, with the keyboard, an action of the
        user preset at this place in its list (1 is the first): Load, Rename or Delete. Each
        menu is waited for before keys are sent to it: keys that come before it opens go to the
        window below it. */
    void userPresetAction (int place, const juce::String& action)
    {
        click (buttons.presets);
        ASSERT_TRUE (waitFor ([] { return openMenus() == 1; })) << "the preset menu did not open";
        // The factory presets come first (eight of them), then the user presets; headings
        // are passed over.
        juce::StringArray moves;
        for (int i = 0; i < 8 + place; ++i)
            moves.add ("Down");
        moves.add ("Right");
        keys (moves);
        ASSERT_TRUE (waitFor ([] { return openMenus() == 2; })) << "the preset's own menu did not open";
        juce::StringArray choice;
        const auto actionPlace = juce::StringArray { "Load", "Rename", "Delete" }.indexOf (action);
        for (int i = 0; i < actionPlace; ++i)
            choice.add ("Down");
        choice.add ("Return");
        keys (choice);
    }

    juce::StringArray presetNames() const
    {
        juce::StringArray names;
        for (const auto& file : presets.findChildFiles (juce::File::findFiles, false, "*.xml"))
            names.add (file.getFileNameWithoutExtension());
        names.sort (true);
        return names;
    }

    TempFolder home;
    juce::File presets = home.folder.getChildFile (".config/DornelAudio/Kravell/version_" KRAVELL_VERSION "/Presets");
    juce::ChildProcess probe;
    juce::String window;
    layout::MenuBarButtons buttons;
    layout::Point attackReadout;
};

// Save opens its dialog with the name field taking the keyboard, so a name typed at once is the
// preset's name and Return saves it; Return closes the message that says so. The second save
// opens its dialog right after another closed. Rename, from the preset menu, takes a name typed
// at once as well; Delete asks first, and Return deletes.
TEST_F (EditorWalk, PresetsSavedRenamedAndDeletedWithMouseAndKeyboard)
{
    for (const juce::String name : { "Walk Kick", "Walk Snare" })
    {
        click (buttons.save);
        answer ("Save Preset", name);
        EXPECT_TRUE (waitFor ([&] { return presets.getChildFile (name + ".xml").existsAsFile(); }))
            << "no preset named " << name << "; there are: " << presetNames().joinIntoString (", ");
        answer ("Success", {});
    }

    userPresetAction (1, "Rename");
    answer ("Rename Preset", "Walk Tom");
    EXPECT_TRUE (waitFor ([&] { return presetNames() == juce::StringArray { "Walk Snare", "Walk Tom" }; }))
        << "after renaming: " << presetNames().joinIntoString (", ");
    answer ("Success", {});

    userPresetAction (1, "Delete");
    answer ("Delete Preset?", {});
    EXPECT_TRUE (waitFor ([&] { return presetNames() == juce::StringArray { "Walk Tom" }; }))
        << "after deleting: " << presetNames().joinIntoString (", ");
}

// A value typed into a knob's read-out, right after clicking it, as the manual says, is the
// value the control takes, each time: here read back from a preset saved after it.
// The second time is the telling one: the plug-in's window then already has the keyboard.
TEST_F (EditorWalk, AValueTypedIntoAReadOutSetsTheControl)
{
    for (const juce::String typed : { "-3.5", "2.5" })
    {
        click (attackReadout);
        juce::Thread::sleep (300);
        runTool ({ "xdotool", "type", "--delay", "40", "--", typed });
        keys ({ "Return" });
        juce::Thread::sleep (300);
    }

    click (buttons.save);
    answer ("Save Preset", "Walk Typed");
    const auto preset = presets.getChildFile ("Walk Typed.xml");
    ASSERT_TRUE (waitFor ([&] { return preset.existsAsFile(); }));
    answer ("Success", {});
    const auto xml = juce::parseXML (preset);
    ASSERT_NE (xml, nullptr);
    juce::String attack;
    // The parameters' state, as the host's project also keeps it: a PARAM element each.
    for (auto* parameter : xml->getChildWithTagNameIterator ("PARAM"))
        if (parameter->getStringAttribute ("id") == "attack")
            attack = parameter->getStringAttribute ("value");
    EXPECT_EQ (attack.getFloatValue(), 2.5f) << "the preset holds attack " << attack.quoted() << ":\n" << xml->toString();
}
