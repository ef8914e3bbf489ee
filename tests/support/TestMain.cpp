#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

// Every test binary runs its tests on the JUCE message thread, as a host would.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
