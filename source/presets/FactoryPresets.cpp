#include "presets/FactoryPresets.h"

namespace
{
// mode and focus are choice indices; attack, sustain and output in dB; the rest in percent.
const std::array<FactoryPreset, 8> table { {
    { "Punchy Kicks", 1, 7.5f, -1.5f, 72, 0, 48, 26, 100, 0.5f },
    { "Snare Snap", 1, 8.5f, -3.0f, 70, 2, 38, 18, 100, 0.0f },
    { "Loop Tightener", 0, 4.5f, -4.5f, 62, 1, 20, 10, 92, 0.0f },
    { "Bass Knock", 0, 5.5f, 1.0f, 68, 0, 30, 12, 100, 0.8f },
    { "Smooth Rooms", 2, 1.5f, 3.5f, 42, 1, 10, 6, 88, 0.0f },
    { "Aggro Parallel", 1, 10.0f, -6.0f, 82, 1, 56, 34, 42, 0.0f },
    { "Tame Pokey", 2, -4.5f, 1.5f, 58, 2, 8, 0, 100, 0.0f },
    { "Guitar Push", 0, 3.0f, 2.5f, 55, 2, 24, 14, 100, 0.5f },
} };

// Equal to the parameter defaults.
const FactoryPreset fallback { "", 1, 5.0f, -2.5f, 60, 1, 30, 25, 100, 0.0f };
} // namespace

const std::array<FactoryPreset, 8>& getFactoryPresets() noexcept { return table; }

const FactoryPreset& findFactoryPreset (const juce::String& name) noexcept
{
    for (const auto& row : table)
        if (name == row.name)
            return row;
    return fallback;
}

bool isFactoryPresetName (const juce::String& name) noexcept
{
    return &findFactoryPreset (name) != &fallback;
}
