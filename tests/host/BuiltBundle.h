#pragma once

#include <juce_core/juce_core.h>

/** The freshly built Kravell.vst3, or the one named by KRAVELL_VST3_BUNDLE (e.g. an installed
    copy): what every test through the bundle loads. */
inline juce::File builtBundle()
{
    const auto fromEnvironment = juce::SystemStats::getEnvironmentVariable ("KRAVELL_VST3_BUNDLE", {});
    return juce::File (fromEnvironment.isNotEmpty() ? fromEnvironment : juce::String (KRAVELL_VST3_BUNDLE));
}
