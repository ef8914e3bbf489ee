#pragma once

#include <juce_core/juce_core.h>

/** A fresh folder under the system's temporary directory, removed with everything in it. */
struct TempFolder
{
    TempFolder() : folder (juce::File::createTempFile ("kravell-test"))
    {
        folder.deleteRecursively();
        folder.createDirectory();
    }

    ~TempFolder() { folder.deleteRecursively(); }

    juce::File folder;
};
