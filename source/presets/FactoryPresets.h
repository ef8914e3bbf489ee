#pragma once

#include <juce_core/juce_core.h>

/** One built-in preset: plain values of the nine stored parameters (power is always on). */
struct FactoryPreset
{
    const char* name;
    float mode, attack, sustain, sensitivity, focus, punch, clip, mix, output;
};

/** The eight factory presets, in menu order. */
const std::array<FactoryPreset, 8>& getFactoryPresets() noexcept;

/** The row named exactly (case-sensitive) `name`, or the defaults row when there is none. */
const FactoryPreset& findFactoryPreset (const juce::String& name) noexcept;

/** Whether `name` is exactly one of the eight names. */
bool isFactoryPresetName (const juce::String& name) noexcept;
