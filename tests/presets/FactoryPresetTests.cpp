#include <gtest/gtest.h>

#include "support/ProcessorHelpers.h"

namespace
{
struct Expected
{
    const char* name;
    float values[10]; // power, mode, attack, sustain, sensitivity, focus, punch, clip, mix, output
};

const Expected rows[] = {
    { "Punchy Kicks", { 1, 1, 7.5f, -1.5f, 72, 0, 48, 26, 100, 0.5f } },
    { "Snare Snap", { 1, 1, 8.5f, -3.0f, 70, 2, 38, 18, 100, 0 } },
    { "Loop Tightener", { 1, 0, 4.5f, -4.5f, 62, 1, 20, 10, 92, 0 } },
    { "Bass Knock", { 1, 0, 5.5f, 1.0f, 68, 0, 30, 12, 100, 0.8f } },
    { "Smooth Rooms", { 1, 2, 1.5f, 3.5f, 42, 1, 10, 6, 88, 0 } },
    { "Aggro Parallel", { 1, 1, 10.0f, -6.0f, 82, 1, 56, 34, 42, 0 } },
    { "Tame Pokey", { 1, 2, -4.5f, 1.5f, 58, 2, 8, 0, 100, 0 } },
    { "Guitar Push", { 1, 0, 3.0f, 2.5f, 55, 2, 24, 14, 100, 0.5f } },
    { "snare snap", { 1, 1, 5.0f, -2.5f, 60, 1, 30, 25, 100, 0 } }, // not a name: the defaults
    { "", { 1, 1, 5.0f, -2.5f, 60, 1, 30, 25, 100, 0 } },
};

const char* ids[] = { "power", "mode", "attack", "sustain", "sensitivity", "focus", "punch", "clip", "mix", "output" };
} // namespace

TEST (FactoryPresets, NamesInMenuOrder)
{
    KravellAudioProcessor processor;
    const juce::StringArray expected { "Punchy Kicks", "Snare Snap", "Loop Tightener", "Bass Knock", "Smooth Rooms", "Aggro Parallel", "Tame Pokey", "Guitar Push" };
    EXPECT_EQ (processor.getFactoryPresetNames(), expected);
}

TEST (FactoryPresets, EveryRowAppliesAllTenValuesAndIsRecordedUnmodified)
{
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        KravellAudioProcessor processor;
        // Start away from every row's values, with power off and the preset edited.
        setPlain (processor, "power", 0.0f);
        setPlain (processor, "attack", -11.0f);
        setPlain (processor, "mix", 1.0f);
        setPlain (processor, "mode", 2.0f);
        ASSERT_TRUE (processor.isCurrentPresetModified());

        processor.loadFactoryPreset (row.name);
        for (int i = 0; i < 10; ++i)
            EXPECT_NEAR (getPlain (processor, ids[i]), row.values[i], 1e-5f) << ids[i]; // normalising rounds in float

        EXPECT_EQ (processor.getCurrentPresetName(), juce::String (row.name).isEmpty() ? "Presets" : row.name);
        EXPECT_FALSE (processor.isCurrentPresetUser());
        EXPECT_FALSE (processor.isCurrentPresetModified());
    }
}

TEST (FactoryPresets, EditingMarksAndReloadingClears)
{
    KravellAudioProcessor processor;
    processor.loadFactoryPreset ("Tame Pokey");
    EXPECT_EQ (processor.getPresetDisplayName(), "Tame Pokey");
    setPlain (processor, "clip", 12.0f);
    EXPECT_EQ (processor.getPresetDisplayName(), "Tame Pokey *");
    processor.loadFactoryPreset ("Tame Pokey");
    EXPECT_EQ (processor.getPresetDisplayName(), "Tame Pokey");
}
