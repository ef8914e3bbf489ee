#pragma once

#include <juce_core/juce_core.h>

/** Everything the editor may do with presets. The menu bar holds only this interface. */
class PresettableProcessor
{
public:
    virtual ~PresettableProcessor() = default;

    virtual juce::StringArray getFactoryPresetNames() = 0;
    virtual juce::StringArray getUserPresetNames() = 0;
    virtual void loadFactoryPreset (const juce::String& name) = 0;
    virtual bool saveUserPreset (const juce::String& name) = 0;
    virtual bool loadUserPreset (const juce::String& name) = 0;
    virtual bool deleteUserPreset (const juce::String& name) = 0;
    virtual bool renameUserPreset (const juce::String& oldName, const juce::String& newName) = 0;
    virtual juce::String getCurrentPresetName() = 0;
    virtual juce::String getPresetDisplayName() = 0;
    virtual bool isCurrentPresetUser() = 0;

    /** Whether saving or renaming to this name would replace an existing preset file: also
        true for a typed name that differs from a listed one only in characters that file
        names drop (so the dialogs ask before overwriting). */
    virtual bool userPresetFileExists (const juce::String& name) = 0;
};
