// The save, rename and delete flows of the menu bar. Dialogs never block: each flow goes on
// in its dialog's completion callback, which first checks that the bar still exists.

#include "gui/shell/MenuBar.h"

#include <juce_audio_processors/juce_audio_processors.h>

namespace
{
juce::String quoted (const juce::String& text) { return "\"" + text + "\""; }

/** Gives a dialog's name field the keyboard once the dialog's window has it, so a user can
    type the name straight away. A window system hands a new window the keyboard only after it
    has mapped it, which can be well after the dialog opens (later still right after another
    dialog closed); until then the framework cannot move the focus, and when it comes the
    framework gives it to the window, not to the field. So this asks on opening and again each
    frame until the window has the keyboard and the field holds it, for two seconds at most. */
class NameFieldFocus final : private juce::Timer
{
public:
    explicit NameFieldFocus (juce::TextEditor& nameField) :
        field (&nameField)
    {
        if (! tryFocus())
            startTimer (20);
    }

private:
    void timerCallback() override
    {
        if (tryFocus() || ++attempts >= 100)
            stopTimer();
    }

    /** True once there is nothing more to do: the field is gone, or has the keyboard in a window that has it. */
    bool tryFocus()
    {
        if (field == nullptr || ! field->isShowing())
            return field == nullptr;
        auto* peer = field->getPeer();
        if (peer != nullptr && peer->isFocused() && field->hasKeyboardFocus (false))
            return true;
        if (! field->hasKeyboardFocus (false))
            field->grabKeyboardFocus();
        return false;
    }

    juce::Component::SafePointer<juce::TextEditor> field;
    int attempts = 0;
};
} // namespace

juce::AlertWindow* MenuBar::openDialog (const juce::String& title,
                                        const juce::String& message,
                                        juce::MessageBoxIconType icon,
                                        const juce::String& initialText,
                                        const juce::StringArray& buttons,
                                        bool deleteWhenDismissed,
                                        std::function<void (int, juce::AlertWindow&)> onResult)
{
    // Given the editor, the dialog opens at its scale: a host's display scale reaches the editor
    // as a transform (on Windows at 150 % every logical pixel is 1.5 physical ones), which a
    // window of its own on the desktop would not inherit, and would open small.
    auto* dialog = new juce::AlertWindow (title, message, icon, dialogOwner());
    dialog->setTitle (title); // what a screen reader announces
    dialog->setDescription (message);
    if (&dialog->getLookAndFeel() != &dialogLook)
        dialog->setLookAndFeel (&dialogLook);

    const auto hasTextField = ! deleteWhenDismissed;
    if (hasTextField)
        dialog->addTextEditor ("presetName", initialText, "Preset Name:", false);

    // The first button confirms (1, Return); a second one cancels (0, Escape).
    dialog->addButton (buttons[0], 1, juce::KeyPress (juce::KeyPress::returnKey));
    if (buttons.size() > 1)
        dialog->addButton (buttons[1], 0, juce::KeyPress (juce::KeyPress::escapeKey));

    fitDialogToEditor (*dialog);

    // Text dialogs are deleted by their callback, after it has read the field; the others by
    // the framework when dismissed.
    juce::Component::SafePointer<juce::AlertWindow> window (dialog);
    // A user types the name straight away: the field takes the keys (its offered name is
    // selected, so typing replaces it), while Return and Escape still reach the buttons. The
    // helper lives as long as the dialog is open.
    std::shared_ptr<NameFieldFocus> nameFocus;
    if (auto* field = dialog->getTextEditor ("presetName"))
        nameFocus = std::make_shared<NameFieldFocus> (*field);
    dialog->enterModalState (true, juce::ModalCallbackFunction::create ([window, hasTextField, nameFocus, onResult = std::move (onResult)] (int result) {
                                 if (window != nullptr)
                                     onResult (result, *window);
                                 if (hasTextField)
                                     delete window.getComponent();
                             }),
                             deleteWhenDismissed);
    return dialog;
}

juce::Component* MenuBar::dialogOwner()
{
    if (auto* editor = findParentComponentOfClass<juce::AudioProcessorEditor>())
        return editor;
    return getTopLevelComponent();
}

void MenuBar::fitDialogToEditor (juce::AlertWindow& dialog)
{
    auto* editor = dialogOwner();

    // The editor's size as it appears on screen, after any transforms, in the dialog's units.
    const auto dialogScale = juce::Component::getApproximateScaleFactorForComponent (editor);
    const auto onScreen = (editor->localAreaToGlobal (editor->getLocalBounds()).toFloat() / dialogScale).toNearestInt();
    const auto width = std::min (dialog.getWidth(), onScreen.getWidth());
    const auto height = std::min (std::max (dialog.getHeight(), 175), onScreen.getHeight());
    dialog.setSize (width, height);
    dialog.centreAroundComponent (editor, width, height);
}

void MenuBar::showSuccessMessage (const juce::String& title, const juce::String& message)
{
    auto* dialog = openDialog (title, message, juce::MessageBoxIconType::NoIcon, {}, { "OK" }, true, [] (int, juce::AlertWindow&) {});

    juce::Component::SafePointer<juce::AlertWindow> window (dialog);
    juce::Timer::callAfterDelay (successMessageMilliseconds, [window] {
        if (window != nullptr)
            window->exitModalState (0);
    });
}

void MenuBar::showOverwriteConfirmation (const juce::String& name, std::function<void()> onOverwrite)
{
    openDialog ("Overwrite Preset?",
                "A preset named " + quoted (name) + " already exists.\nDo you want to overwrite it?",
                juce::MessageBoxIconType::WarningIcon,
                {},
                { "Overwrite", "Cancel" },
                true,
                [bar = juce::Component::SafePointer<MenuBar> (this), onOverwrite = std::move (onOverwrite)] (int result, juce::AlertWindow&) {
                    if (bar != nullptr && bar->presettable != nullptr && result == 1)
                        onOverwrite();
                });
}

//==============================================================================
void MenuBar::showSavePresetDialog()
{
    if (presettable == nullptr)
        return;

    openDialog ("Save Preset", "Enter a name:", juce::MessageBoxIconType::NoIcon, getDefaultPresetName(), { "Save", "Cancel" }, false, [bar = juce::Component::SafePointer<MenuBar> (this)] (int result, juce::AlertWindow& window) {
        if (bar != nullptr && bar->presettable != nullptr && result == 1)
            bar->savePresetWithName (window.getTextEditorContents ("presetName").trim());
    });
}

juce::String MenuBar::getDefaultPresetName()
{
    if (presettable != nullptr && presettable->isCurrentPresetUser())
    {
        const auto current = presettable->getCurrentPresetName().trim();
        if (current.isNotEmpty())
            return current;
    }
    return makeUniquePresetName ("MyPreset");
}

juce::String MenuBar::makeUniquePresetName (const juce::String& baseName)
{
    const auto names = presettable != nullptr ? presettable->getUserPresetNames() : juce::StringArray();
    const auto taken = [&names] (const juce::String& name) { return names.contains (name, true); };

    auto candidate = baseName.trim();
    if (candidate.isEmpty())
        candidate = "MyPreset";
    if (! taken (candidate))
        return candidate;

    for (int number = 1; number <= 9999; ++number)
        if (! taken (candidate + juce::String (number)))
            return candidate + juce::String (number);

    return candidate + "_New";
}

bool MenuBar::userPresetExists (const juce::String& name)
{
    if (presettable == nullptr)
        return false;

    // Also a typed name whose file is an existing preset's (drums? saves over drums.xml).
    const auto trimmed = name.trim();
    return presettable->getUserPresetNames().contains (trimmed, true) || presettable->userPresetFileExists (trimmed);
}

bool MenuBar::savePresetWithName (const juce::String& name)
{
    if (presettable == nullptr)
        return false;

    const auto trimmed = name.trim();
    if (trimmed.isEmpty())
        return false;

    if (userPresetExists (trimmed))
    {
        showOverwriteConfirmation (trimmed, [bar = juce::Component::SafePointer<MenuBar> (this), trimmed] {
            if (bar != nullptr)
                bar->saveAndAnnounce (trimmed);
        });
        return false;
    }

    return saveAndAnnounce (trimmed);
}

bool MenuBar::saveAndAnnounce (const juce::String& name)
{
    if (! presettable->saveUserPreset (name))
        return false;

    updatePresetButtonText();
    showSuccessMessage ("Success", "Preset " + quoted (name) + " has been saved.");
    return true;
}

void MenuBar::showRenamePresetDialog (const juce::String& presetName)
{
    if (presettable == nullptr)
        return;

    openDialog ("Rename Preset", "Enter a new name:", juce::MessageBoxIconType::NoIcon, presetName, { "Rename", "Cancel" }, false, [bar = juce::Component::SafePointer<MenuBar> (this), presetName] (int result, juce::AlertWindow& window) {
        if (bar != nullptr && bar->presettable != nullptr && result == 1)
            bar->renamePresetWithName (presetName, window.getTextEditorContents ("presetName").trim());
    });
}

void MenuBar::renamePresetWithName (const juce::String& oldName, const juce::String& newName)
{
    if (presettable == nullptr)
        return;

    const auto from = oldName.trim();
    const auto to = newName.trim();
    if (from.isEmpty() || to.isEmpty() || from.equalsIgnoreCase (to))
        return;

    if (userPresetExists (to))
    {
        showOverwriteConfirmation (to, [bar = juce::Component::SafePointer<MenuBar> (this), from, to] {
            if (bar != nullptr)
                bar->replacePresetByRename (from, to);
        });
        return;
    }

    if (presettable->renameUserPreset (from, to))
        announceRename (from, to);
}

void MenuBar::replacePresetByRename (const juce::String& oldName, const juce::String& newName)
{
    if (presettable == nullptr)
        return;

    // Renaming never replaces a file, so the existing preset is first moved aside.
    const auto names = presettable->getUserPresetNames();
    auto backup = newName + "__backup";
    for (int number = 1; names.contains (backup, true); ++number)
        backup = newName + "__backup" + juce::String (number);

    if (! presettable->renameUserPreset (newName, backup))
        return;

    if (presettable->renameUserPreset (oldName, newName))
    {
        presettable->deleteUserPreset (backup);
        announceRename (oldName, newName);
    }
    else
    {
        presettable->renameUserPreset (backup, newName);
    }
}

void MenuBar::announceRename (const juce::String& oldName, const juce::String& newName)
{
    updatePresetButtonText();
    showSuccessMessage ("Success", "Preset " + quoted (oldName) + " was renamed to " + quoted (newName) + ".");
}

void MenuBar::showDeletePresetDialog (const juce::String& presetName)
{
    if (presettable == nullptr)
        return;

    openDialog ("Delete Preset?", "Are you sure you want to delete " + quoted (presetName) + "?", juce::MessageBoxIconType::WarningIcon, {}, { "Delete", "Cancel" }, true, [bar = juce::Component::SafePointer<MenuBar> (this), presetName] (int result, juce::AlertWindow&) {
        if (bar != nullptr && bar->presettable != nullptr && result == 1 && bar->presettable->deleteUserPreset (presetName))
        {
            bar->updatePresetButtonText();
            bar->showSuccessMessage ("Success", "Preset " + quoted (presetName) + " has been deleted.");
        }
    });
}
