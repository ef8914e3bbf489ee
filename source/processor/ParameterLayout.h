#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

/** The string IDs of the ten host parameters, in host index order. */
namespace ParameterIds
{
inline constexpr const char* power = "power";
inline constexpr const char* mode = "mode";
inline constexpr const char* attack = "attack";
inline constexpr const char* sustain = "sustain";
inline constexpr const char* sensitivity = "sensitivity";
inline constexpr const char* focus = "focus";
inline constexpr const char* punch = "punch";
inline constexpr const char* clip = "clip";
inline constexpr const char* mix = "mix";
inline constexpr const char* output = "output";

inline constexpr const char* all[] = { power, mode, attack, sustain, sensitivity, focus, punch, clip, mix, output };
} // namespace ParameterIds

/** The unit of a parameter's plain value, as the editor's read-outs show it and as the host
    metadata generated at build time declares it. The parameters themselves carry no unit
    label: hosts show their bare numbers. */
enum class ParameterUnit
{
    none,
    decibels,
    percent
};

ParameterUnit parameterUnit (const juce::String& id);

/** Builds the ten parameters in host index order. The order and the choice lists are part
    of the saved-state and preset formats: never reorder them. */
juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();
