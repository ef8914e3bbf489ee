#pragma once

#include <juce_core/juce_core.h>

/** The user's roaming application-data folder (on Windows %APPDATA%, elsewhere the
    framework's user application-data directory). The folder is not created. Returns an
    empty File when the platform cannot tell. */
juce::File getUserApplicationDataFolder();
