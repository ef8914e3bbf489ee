#pragma once

#include <juce_core/juce_core.h>

/** The product's identity, as the host sees it and as the user preset folder is named. */
struct ProductInfo
{
    juce::String productName { "Kravell" };
    juce::String version { "1.0.0" };
    juce::String companyName { "Dornel Audio" };
    juce::String companyFolder { "DornelAudio" };
};
