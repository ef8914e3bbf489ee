#include "shell/ShellFixture.h"

namespace
{
/** Just enough of the preset interface to hold ten thousand names without files. */
struct ListOnlyPresets final : PresettableProcessor
{
    juce::StringArray names;
    juce::StringArray getFactoryPresetNames() override { return {}; }
    juce::StringArray getUserPresetNames() override { return names; }
    void loadFactoryPreset (const juce::String&) override {}
    bool saveUserPreset (const juce::String&) override { return false; }
    bool loadUserPreset (const juce::String&) override { return false; }
    bool deleteUserPreset (const juce::String&) override { return false; }
    bool renameUserPreset (const juce::String&, const juce::String&) override { return false; }
    juce::String getCurrentPresetName() override { return "Presets"; }
    juce::String getPresetDisplayName() override { return "Presets"; }
    bool isCurrentPresetUser() override { return false; }
    bool userPresetFileExists (const juce::String&) override { return false; }
};
} // namespace

TEST_F (ShellFixture, SaveProposesTheLoadedUserPresetAndAsksBeforeOverwriting)
{
    ASSERT_TRUE (processor.saveUserPreset ("Drums"));
    ASSERT_TRUE (processor.loadUserPreset ("Drums"));
    setPlain (processor, "attack", -6.0f);

    bar.showSavePresetDialog();
    EXPECT_EQ (dialogText(), "Save Preset | Enter a name:");
    EXPECT_EQ (currentDialog()->getTextEditorContents ("presetName"), "Drums");
    press ("Save");
    EXPECT_EQ (dialogText(), "Overwrite Preset? | A preset named \"Drums\" already exists.\nDo you want to overwrite it?");
    press ("Overwrite");
    EXPECT_EQ (dialogText(), "Success | Preset \"Drums\" has been saved.");
    EXPECT_EQ (bar.getPresetButton().getCaption(), "Drums" + juce::String::fromUTF8 ("  \xe2\x96\xbe"));
    press ("OK");
    EXPECT_EQ (currentDialog(), nullptr);

    ASSERT_TRUE (processor.loadUserPreset ("Drums"));
    EXPECT_FLOAT_EQ (getPlain (processor, "attack"), -6.0f);
}

TEST_F (ShellFixture, NamesThatAreTakenAskFirst)
{
    ASSERT_TRUE (processor.saveUserPreset ("Drums"));
    setPlain (processor, "attack", 9.0f);
    const auto before = presetFile ("Drums.xml").loadFileAsString();

    // Ignoring case, and a typed name that maps onto the same file.
    for (auto* typed : { "drums", "Drums?", " DRUMS " })
    {
        SCOPED_TRACE (typed);
        EXPECT_FALSE (bar.savePresetWithName (typed));
        EXPECT_TRUE (dialogText().startsWith ("Overwrite Preset?"));
        press ("Cancel");
        EXPECT_EQ (presetFile ("Drums.xml").loadFileAsString(), before);
        EXPECT_EQ (currentDialog(), nullptr);
    }

    // A free name saves at once and says so.
    EXPECT_TRUE (bar.savePresetWithName ("Kit 2"));
    EXPECT_EQ (dialogText(), "Success | Preset \"Kit 2\" has been saved.");
}

TEST_F (ShellFixture, DefaultNamesAreUnique)
{
    processor.loadFactoryPreset ("Snare Snap");
    EXPECT_EQ (bar.getDefaultPresetName(), "MyPreset");
    ASSERT_TRUE (processor.saveUserPreset ("mypreset"));
    processor.loadFactoryPreset ("Snare Snap");
    EXPECT_EQ (bar.getDefaultPresetName(), "MyPreset1");
    EXPECT_EQ (bar.makeUniquePresetName ("   "), "MyPreset1");

    ListOnlyPresets many;
    many.names.add ("MyPreset");
    for (int i = 1; i <= 9999; ++i)
        many.names.add ("MyPreset" + juce::String (i));
    MenuBar other;
    other.setPresettable (&many);
    EXPECT_EQ (other.getDefaultPresetName(), "MyPreset_New");
    many.names.remove (5000); // MyPreset5000
    EXPECT_EQ (other.getDefaultPresetName(), "MyPreset5000");
}

TEST_F (ShellFixture, TheNameFieldTakesTheKeyboardWhenItsDialogHasIt)
{
    ASSERT_TRUE (processor.saveUserPreset ("Kick"));
    // The second dialog opens right after the first has closed, when the window system may
    // hand the keyboard to the new window late.
    for (const auto& open : { std::function<void()> ([this] { bar.showSavePresetDialog(); }),
                              std::function<void()> ([this] { bar.showRenamePresetDialog ("Kick"); }) })
    {
        open();
        auto* dialog = currentDialog();
        ASSERT_NE (dialog, nullptr);
        auto* field = dialog->getTextEditor ("presetName");
        ASSERT_NE (field, nullptr);
        EXPECT_TRUE (pumpMessagesUntil ([field = juce::Component::SafePointer<juce::TextEditor> (field)]
                                        { return field != nullptr && field->hasKeyboardFocus (false) && field->getPeer() != nullptr && field->getPeer()->isFocused(); },
                                        5000))
            << dialog->getName() << ": the name field never had the keyboard";
        EXPECT_EQ (field->getHighlightedText(), field->getText()) << "the offered name is selected, so typing replaces it";
        key (juce::KeyPress::escapeKey);
        EXPECT_EQ (currentDialog(), nullptr);
    }
}

TEST_F (ShellFixture, BlankNamesReturnAndEscapeCancel)
{
    bar.showSavePresetDialog();
    type ("    ");
    key (juce::KeyPress::returnKey);
    EXPECT_EQ (currentDialog(), nullptr);
    EXPECT_TRUE (processor.getUserPresetNames().isEmpty());

    bar.showSavePresetDialog();
    type ("Typed Then Cancelled");
    key (juce::KeyPress::escapeKey);
    EXPECT_EQ (currentDialog(), nullptr);
    EXPECT_TRUE (processor.getUserPresetNames().isEmpty());

    bar.showSavePresetDialog();
    type ("  Returned  ");
    key (juce::KeyPress::returnKey);
    EXPECT_EQ (dialogText(), "Success | Preset \"Returned\" has been saved.");
    EXPECT_EQ (processor.getUserPresetNames(), juce::StringArray { "Returned" });
}

TEST_F (ShellFixture, RenameFlows)
{
    ASSERT_TRUE (processor.saveUserPreset ("Kick"));

    // A change of case alone does nothing at all.
    bar.showRenamePresetDialog ("Kick");
    type ("kick");
    press ("Rename");
    EXPECT_EQ (currentDialog(), nullptr);
    EXPECT_EQ (processor.getUserPresetNames(), juce::StringArray { "Kick" });

    bar.showRenamePresetDialog ("Kick");
    type ("Kick Deep");
    press ("Rename");
    EXPECT_EQ (dialogText(), "Success | Preset \"Kick\" was renamed to \"Kick Deep\".");
    press ("OK");
    EXPECT_EQ (processor.getUserPresetNames(), juce::StringArray { "Kick Deep" });
}

TEST_F (ShellFixture, RenamingOverAnExistingPresetGoesThroughABackup)
{
    for (const bool bIsCurrent : { true, false })
    {
        SCOPED_TRACE (bIsCurrent ? "B current" : "A current");
        for (const auto& name : processor.getUserPresetNames())
            processor.deleteUserPreset (name);

        setPlain (processor, "attack", 1.0f);
        ASSERT_TRUE (processor.saveUserPreset ("A"));
        setPlain (processor, "attack", 2.0f);
        ASSERT_TRUE (processor.saveUserPreset ("B__backup")); // forces the numbered backup
        ASSERT_TRUE (processor.saveUserPreset ("B"));
        ASSERT_TRUE (processor.loadUserPreset (bIsCurrent ? "B" : "A"));

        bar.renamePresetWithName ("A", "B");
        EXPECT_TRUE (dialogText().startsWith ("Overwrite Preset? | A preset named \"B\""));
        press ("Overwrite");
        EXPECT_EQ (dialogText(), "Success | Preset \"A\" was renamed to \"B\".");
        press ("OK");

        EXPECT_EQ (processor.getUserPresetNames(), (juce::StringArray { "B", "B__backup" }));
        ASSERT_TRUE (presetFile ("B.xml").existsAsFile());
        EXPECT_FALSE (presetFile ("B__backup1.xml").exists());
        EXPECT_EQ (processor.getCurrentPresetName(), bIsCurrent ? "Presets" : "B");

        juce::ValueTree tree;
        ASSERT_TRUE (processor.getPresetFileStore().readPreset ("B", tree));
        EXPECT_EQ ((float) tree.getChildWithProperty ("id", "attack").getProperty ("value"), 1.0f); // A's content
    }
}

TEST_F (ShellFixture, DeleteAsksAndTheSuccessMessageClosesItself)
{
    ASSERT_TRUE (processor.saveUserPreset ("Gone"));
    bar.showDeletePresetDialog ("Gone");
    EXPECT_EQ (dialogText(), "Delete Preset? | Are you sure you want to delete \"Gone\"?");
    EXPECT_EQ (currentDialog()->getAlertType(), juce::MessageBoxIconType::WarningIcon);
    key (juce::KeyPress::escapeKey);
    EXPECT_TRUE (presetFile ("Gone.xml").existsAsFile());

    bar.showDeletePresetDialog ("Gone");
    press ("Delete");
    EXPECT_FALSE (presetFile ("Gone.xml").exists());
    EXPECT_EQ (dialogText(), "Success | Preset \"Gone\" has been deleted.");
    EXPECT_EQ (processor.getPresetDisplayName(), "Presets");

    pumpMessages (2500);
    EXPECT_NE (currentDialog(), nullptr); // still up before three seconds
    EXPECT_TRUE (pumpMessagesUntil ([] { return juce::Component::getCurrentlyModalComponent() == nullptr; }, 1500));
}

TEST_F (ShellFixture, ADialogOutlivingTheBarDoesNothing)
{
    ASSERT_TRUE (processor.saveUserPreset ("Stay"));
    {
        MenuBar shortLived;
        window.addAndMakeVisible (shortLived);
        shortLived.setPresettable (&processor);
        shortLived.showDeletePresetDialog ("Stay");
    }

    // The orphaned dialog still draws (in the default look) and answers.
    auto* orphan = currentDialog();
    ASSERT_NE (orphan, nullptr);
    EXPECT_EQ (orphan->createComponentSnapshot (orphan->getLocalBounds()).getWidth(), orphan->getWidth());
    press ("Delete");
    EXPECT_TRUE (presetFile ("Stay.xml").existsAsFile());
    EXPECT_EQ (currentDialog(), nullptr);
}

TEST_F (ShellFixture, DialogsFitTheEditor)
{
    for (auto [w, h] : { std::pair { 1256, 780 }, std::pair { 500, 311 }, std::pair { 300, 150 } })
    {
        window.setSize (w, h);
        bar.showSavePresetDialog();
        auto* dialog = currentDialog();
        ASSERT_NE (dialog, nullptr);
        EXPECT_LE (dialog->getWidth(), w);
        EXPECT_LE (dialog->getHeight(), h);
        EXPECT_EQ (dialog->getHeight() >= 175, h >= 175) << w << " x " << h;
        EXPECT_EQ (dialog->getBounds().getCentre(), window.getScreenBounds().getCentre());
        press ("Cancel");
    }
}

TEST (DialogLook, ButtonPlacementAndFonts)
{
    DialogLookAndFeel look;
    struct Case
    {
        int w, h, buttons;
        juce::Rectangle<int> first, second;
    };
    const Case cases[] = {
        { 400, 200, 2, { 74, 144, 120, 36 }, { 206, 144, 120, 36 } },
        { 400, 200, 1, { 132, 144, 136, 36 }, {} },
        { 500, 175, 2, { 93, 126, 150, 32 }, { 258, 126, 150, 32 } },
    };
    for (const auto& c : cases)
    {
        juce::AlertWindow alert ("Title", "Message", juce::MessageBoxIconType::WarningIcon);
        alert.setLookAndFeel (&look);
        alert.addButton ("One", 1);
        if (c.buttons > 1)
            alert.addButton ("Two", 0);
        alert.setSize (c.w, c.h);

        // Painting places the buttons, as on screen.
        juce::Image image (juce::Image::ARGB, c.w, c.h, true);
        juce::Graphics g (image);
        alert.paintEntireComponent (g, false);
        EXPECT_EQ (alert.getButton (0)->getBounds(), c.first) << c.w << " x " << c.h;
        if (c.buttons > 1)
        {
            EXPECT_EQ (alert.getButton (1)->getBounds(), c.second);
        }
        alert.setLookAndFeel (nullptr);
    }

    juce::TextButton button;
    EXPECT_FLOAT_EQ (look.getTextButtonFont (button, 36).getHeight(), 16.0f);
    EXPECT_FLOAT_EQ (look.getTextButtonFont (button, 15).getHeight(), 13.5f);
    EXPECT_TRUE (look.getAlertWindowTitleFont().isBold());
    EXPECT_FLOAT_EQ (look.getAlertWindowMessageFont().getHeight(), 16.0f);
}
