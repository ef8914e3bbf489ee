#include "processor/ParameterLayout.h"

namespace
{
// Linear, quantised to 0.01; the framework derives the two printed decimals from the step.
std::unique_ptr<juce::AudioParameterFloat> makeFloat (const char* id, const char* name, float start, float end, float defaultValue)
{
    return std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { id, 1 },
                                                        name,
                                                        juce::NormalisableRange<float> (start, end, 0.01f, 1.0f, false),
                                                        defaultValue);
}

std::unique_ptr<juce::AudioParameterChoice> makeChoice (const char* id, const char* name, const juce::StringArray& choices, int defaultIndex)
{
    return std::make_unique<juce::AudioParameterChoice> (juce::ParameterID { id, 1 }, name, choices, defaultIndex);
}
} // namespace

ParameterUnit parameterUnit (const juce::String& id)
{
    if (id == ParameterIds::attack || id == ParameterIds::sustain || id == ParameterIds::output)
        return ParameterUnit::decibels;
    if (id == ParameterIds::sensitivity || id == ParameterIds::punch || id == ParameterIds::clip || id == ParameterIds::mix)
        return ParameterUnit::percent;
    return ParameterUnit::none;
}

juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    layout.add (std::make_unique<juce::AudioParameterBool> (juce::ParameterID { ParameterIds::power, 1 }, "Power", true));
    layout.add (makeChoice (ParameterIds::mode, "Mode", { "Tight", "Punch", "Smooth" }, 1));
    layout.add (makeFloat (ParameterIds::attack, "Attack", -12.0f, 12.0f, 5.0f));
    layout.add (makeFloat (ParameterIds::sustain, "Sustain", -12.0f, 12.0f, -2.5f));
    layout.add (makeFloat (ParameterIds::sensitivity, "Sensitivity", 0.0f, 100.0f, 60.0f));
    layout.add (makeChoice (ParameterIds::focus, "Focus", { "Low", "Full", "High" }, 1));
    layout.add (makeFloat (ParameterIds::punch, "Punch", 0.0f, 100.0f, 30.0f));
    layout.add (makeFloat (ParameterIds::clip, "Clip", 0.0f, 100.0f, 25.0f));
    layout.add (makeFloat (ParameterIds::mix, "Mix", 0.0f, 100.0f, 100.0f));
    layout.add (makeFloat (ParameterIds::output, "Output", -12.0f, 12.0f, 0.0f));

    return layout;
}
