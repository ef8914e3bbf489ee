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

/** The first visible X window with exactly this title, waiting for it up to this long. Asked
    again and again rather than with xdotool's own --sync: one search fails as a whole when any
    window goes away while it looks (a drop shadow, a tooltip), which happens under load. */
inline juce::String waitForWindow (const juce::String& title, int timeoutSeconds = 30)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutSeconds * 1000;
    for (;;)
    {
        const auto found = runTool ({ "xdotool", "search", "--onlyvisible", "--name", exactWindowTitle (title) })
                               .upToFirstOccurrenceOf ("\n", false, false);
        if (found.isNotEmpty() || juce::Time::getMillisecondCounter() > end)
            return found;
        juce::Thread::sleep (100);
    }
}

inline bool windowExists (const juce::String& title)
{
    return runTool ({ "xdotool", "search", "--onlyvisible", "--name", exactWindowTitle (title) }).isNotEmpty();
}
