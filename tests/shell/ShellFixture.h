#pragma once

#include <gtest/gtest.h>

#include "gui/shell/MenuBar.h"
#include "support/MessagePump.h"
#include "support/ProcessorHelpers.h"
#include "support/TempFolder.h"

/** A menu bar wired to a real processor whose user presets live in a temporary folder, inside
    a plain parent standing in for the editor window. */
class ShellFixture : public ::testing::Test
{
public:
    TempFolder temp;
    KravellAudioProcessor processor;
    juce::Component window;
    MenuBar bar;

    void SetUp() override
    {
        processor.getPresetFileStore().setApplicationDataRoot (temp.folder);
        window.setBounds (100, 100, 1256, 780);
        window.addAndMakeVisible (bar);
        bar.setBounds (0, 0, 1256, 70);
        bar.setPresettable (&processor);
    }

    void TearDown() override
    {
        closeAllDialogs();
        bar.setPresettable (nullptr);
    }

    /** The dialog that is modal now, if any, once pending messages have been handled. */
    static juce::AlertWindow* currentDialog()
    {
        pumpMessages (5);
        return dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
    }

    /** Answers the modal dialog with the button of that text and lets its callback run. */
    static void press (const juce::String& buttonText)
    {
        auto* dialog = currentDialog();
        ASSERT_NE (dialog, nullptr) << "no dialog open to press " << buttonText;
        auto* button = dialog->getButton (buttonText);
        ASSERT_NE (button, nullptr) << buttonText;
        button->triggerClick();
        pumpMessagesUntil ([dialog = juce::Component::SafePointer<juce::AlertWindow> (dialog)] { return dialog == nullptr || ! dialog->isCurrentlyModal(); });
        pumpMessages (5);
    }

    /** Sends Return or Escape to the modal dialog's own key handling, which its name field
        passes them on to. */
    static void key (int keyCode)
    {
        auto* dialog = currentDialog();
        ASSERT_NE (dialog, nullptr);
        EXPECT_TRUE (static_cast<juce::Component*> (dialog)->keyPressed (juce::KeyPress (keyCode)));
        pumpMessagesUntil ([dialog = juce::Component::SafePointer<juce::AlertWindow> (dialog)] { return dialog == nullptr || ! dialog->isCurrentlyModal(); });
        pumpMessages (5);
    }

    static void type (const juce::String& text)
    {
        auto* dialog = currentDialog();
        ASSERT_NE (dialog, nullptr);
        auto* field = dialog->getTextEditor ("presetName");
        ASSERT_NE (field, nullptr);
        field->setText (text);
    }

    static void closeAllDialogs()
    {
        for (int i = 0; i < 10; ++i)
        {
            auto* dialog = currentDialog();
            if (dialog == nullptr)
                break;
            dialog->exitModalState (0);
            pumpMessages (10);
        }
    }

    /** Title and message of the modal dialog ("" when none). */
    static juce::String dialogText()
    {
        auto* dialog = currentDialog();
        return dialog == nullptr ? juce::String() : dialog->getName() + " | " + dialog->getDescription();
    }

    juce::File presetFile (const juce::String& fileName) { return processor.getPresetFileStore().getPresetsFolder().getChildFile (fileName); }
};
