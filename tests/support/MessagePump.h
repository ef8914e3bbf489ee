#pragma once

#include <juce_events/juce_events.h>

namespace juce::detail
{
// The framework's own single-message dispatch, which its modal loops use; declared here so
// tests can run the message loop for a while without enabling modal loops in the plug-in.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce::detail

/** Dispatches messages (timers, async updates, modal callbacks) for the given time. */
inline void pumpMessages (int milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;
    do
    {
        if (! juce::detail::dispatchNextMessageOnSystemQueue (true))
            juce::Thread::sleep (1);
    } while (juce::Time::getMillisecondCounter() < end);
}

/** Dispatches messages until the condition holds or the time runs out; returns the condition. */
template <typename Condition>
bool pumpMessagesUntil (Condition&& condition, int timeoutMilliseconds = 2000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMilliseconds;
    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;
        if (! juce::detail::dispatchNextMessageOnSystemQueue (true))
            juce::Thread::sleep (1);
    }
    return true;
}
