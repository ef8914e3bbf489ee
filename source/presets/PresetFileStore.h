#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include "platform/ProductInfo.h"

/** Where user presets live and how a preset name maps to its XML file. It keeps no cache:
    every query looks at the folder again. Nothing outside the presets folder is ever read,
    written, moved or deleted, whatever name is passed. */
class PresetFileStore final
{
public:
    /** Uses the user's application-data folder as the root. */
    PresetFileStore();

    /** Uses `applicationDataRoot` in place of the user's application-data folder (tests). */
    explicit PresetFileStore (const juce::File& applicationDataRoot);

    void setProductInfo (const ProductInfo& info);
    void setApplicationDataRoot (const juce::File& root);

    /** <application data>/<company folder>/<product>/version_<version>; empty when the
        application-data folder is unknown. */
    juce::File getDataFolder() const;
    juce::File getPresetsFolder() const;

    /** Trims, keeps only ASCII letters, digits, space, '_' and '-', and gives "Preset" when
        nothing is left. */
    static juce::String sanitisePresetName (const juce::String& name);

    /** The file a name refers to: a file named exactly "<name>.xml" directly in the presets
        folder when there is one (so every listed preset stays reachable), otherwise the
        sanitised name's file. */
    juce::File getPresetFile (const juce::String& name) const;

    /** Whether a preset file exists for this name (typed names that sanitise onto an existing
        preset's file count). */
    bool presetFileExists (const juce::String& name) const;

    /** The names of the "*.xml" files directly in the presets folder, sorted ignoring case. */
    juce::StringArray getPresetNames() const;

    bool readPreset (const juce::String& name, juce::ValueTree& tree) const;
    bool writePreset (const juce::String& name, const juce::ValueTree& tree) const;

    /** After an update: when this version's presets folder does not exist yet, copies in the
        presets of the older versions' folders beside it, newest version first, so a name
        kept by a newer one is not overwritten by an older one. The old folders are left as
        they are, and nothing is copied once this version has a presets folder. Returns the
        number of presets copied. */
    int copyPresetsFromOlderVersions() const;

    /** Preset files larger than this are refused unread. */
    static constexpr juce::int64 maximumPresetFileSize = 1024 * 1024;

    /** Replaces `file` with `data` only when all of it was written. */
    static bool replaceFileSafely (const juce::File& file, const void* data, size_t size);

private:
    ProductInfo productInfo;
    juce::File root;
};
