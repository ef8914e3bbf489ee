#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "gui/shell/DialogLookAndFeel.h"
#include "gui/shell/MenuBarLookAndFeel.h"
#include "presets/PresettableProcessor.h"

/** A flat button that paints the shared face and a centred caption of its own. */
class IconButton final : public juce::Button
{
public:
    explicit IconButton (const juce::String& buttonName);

    void setCaption (const juce::String& newCaption);
    const juce::String& getCaption() const noexcept { return caption; }

    /** Where the caption's text starts, for a caption of the given width in the font. */
    static float captionX (int buttonWidth, float textWidth) noexcept;

protected:
    void paintButton (juce::Graphics&, bool highlighted, bool down) override;

private:
    juce::String caption;
};

/** The strip along the top of the editor: the preset button, which opens the preset menu,
    and the Save button, which opens the save dialog. It owns the looks of every menu and
    dialog it opens, and refreshes the preset caption eight times a second. */
class MenuBar final : public juce::Component, private juce::Timer
{
public:
    MenuBar();
    ~MenuBar() override;

    void setPresettable (PresettableProcessor* processor) noexcept { presettable = processor; }
    PresettableProcessor* getPresettable() const noexcept { return presettable; }

    void paint (juce::Graphics&) override;
    void resized() override;

    IconButton& getPresetButton() noexcept { return presetButton; }
    IconButton& getSaveButton() noexcept { return saveButton; }
    MenuBarLookAndFeel& getMenuLookAndFeel() noexcept { return menuLook; }
    DialogLookAndFeel& getDialogLookAndFeel() noexcept { return dialogLook; }

    //==============================================================================
    // The preset menu.
    void showPresetMenu();
    void handlePresetMenuResult (int result);
    void updatePresetButtonText();

    /** Builds the menu the preset button opens, with the sizes of the bar's current height. */
    juce::PopupMenu createPresetMenu();
    int getPresetMenuMinimumWidth() const noexcept;

    //==============================================================================
    // The preset dialogs.
    void showSavePresetDialog();
    juce::String getDefaultPresetName();
    juce::String makeUniquePresetName (const juce::String& baseName);
    bool userPresetExists (const juce::String& name);
    bool savePresetWithName (const juce::String& name);
    void showRenamePresetDialog (const juce::String& presetName);
    void renamePresetWithName (const juce::String& oldName, const juce::String& newName);
    void replacePresetByRename (const juce::String& oldName, const juce::String& newName);
    void showDeletePresetDialog (const juce::String& presetName);
    void showSuccessMessage (const juce::String& title, const juce::String& message);
    void fitDialogToEditor (juce::AlertWindow& dialog);
    /** The editor the dialogs belong to, or the bar's own top-level window without one. */
    juce::Component* dialogOwner();

    /** How long a success message stays up unless dismissed. */
    static constexpr int successMessageMilliseconds = 3000;

private:
    void timerCallback() override;

    /** Creates a dialog in the bar's look, sized to the editor, and enters its modal state. */
    juce::AlertWindow* openDialog (const juce::String& title, const juce::String& message, juce::MessageBoxIconType icon, const juce::String& initialText, const juce::StringArray& buttons, bool deleteWhenDismissed, std::function<void (int, juce::AlertWindow&)> onResult);

    void showOverwriteConfirmation (const juce::String& name, std::function<void()> onOverwrite);

    /** Saves under the name and, when that worked, refreshes the caption and says so. */
    bool saveAndAnnounce (const juce::String& name);
    void announceRename (const juce::String& oldName, const juce::String& newName);

    PresettableProcessor* presettable = nullptr;
    IconButton presetButton { "Preset" };
    IconButton saveButton { "Save" };
    MenuBarLookAndFeel menuLook;
    DialogLookAndFeel dialogLook;
    juce::Colour backgroundColour { 0xff0a0b0c };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MenuBar)
};
