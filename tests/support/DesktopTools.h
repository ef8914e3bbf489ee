#pragma once

#include <juce_core/juce_core.h>

/** Runs a desktop tool (xdotool, wmctrl, import) and returns what it printed, trimmed; waits
    for it at most this long. */
inline juce::String runTool (const juce::StringArray& command, int timeoutMs = 30000)
{
    juce::ChildProcess process;
    if (! process.start (command, juce::ChildProcess::wantStdOut))
        return {};
    auto output = process.readAllProcessOutput();
    if (! process.waitForProcessToFinish (timeoutMs))
        process.kill();
    return output.trim();
}

/** xdotool's pattern for exactly this window title. */
inline juce::String exactWindowTitle (const juce::String& title)
{
    juce::String pattern;
    for (const auto character : title)
        pattern << (juce::String (".?*+()[]{}|^$\\").containsChar (character) ? "\\" : "") << juce::String::charToString (character);
    return "^" + pattern + "$";
}

/** The first visible X window with exactly this title, waiting for it up to this long. */
inline juce::String waitForWindow (const juce::String& title, int timeoutSeconds = 30)
{
    return runTool ({ "timeout", juce::String (timeoutSeconds), "xdotool", "search", "--sync", "--onlyvisible", "--name", exactWindowTitle (title) })
        .upToFirstOccurrenceOf ("\n", false, false);
}

inline bool windowExists (const juce::String& title)
{
    return runTool ({ "xdotool", "search", "--onlyvisible", "--name", exactWindowTitle (title) }).isNotEmpty();
}
