#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <dlfcn.h>

// Every test binary runs its tests on the JUCE message thread, as a host would.
int main (int argc, char** argv)
{
    // The framework loads the X11 libraries at run time and unloads them at exit; kept loaded,
    // the leak checker can still name them, so the allocations they keep for the whole
    // process can be told apart from ours.
    for (auto* library : { "libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXinerama.so.1", "libXrender.so.1", "libXrandr.so.2" })
        dlopen (library, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);

    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
