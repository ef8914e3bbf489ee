#include <iostream>

#include <juce_events/juce_events.h>

#include "render/RenderCommand.h"

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    juce::StringArray arguments;
    for (int i = 1; i < argc; ++i)
        arguments.add (juce::String::fromUTF8 (argv[i]));
    return runRenderCommand (arguments, std::cout, std::cerr);
}
