#pragma once

#include <juce_core/juce_core.h>

// The build gives the version from the project's one definition of it.
#ifndef KRAVELL_VERSION
 #error "KRAVELL_VERSION is defined by the build"
#endif

/** The product's identity, as the host sees it and as the user preset folder is named. */
struct ProductInfo
{
    juce::String productName { "Kravell" };
    juce::String version { KRAVELL_VERSION };
    juce::String companyName { "Dornel Audio" };
    juce::String companyFolder { "DornelAudio" };
};
