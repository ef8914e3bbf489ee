#pragma once

#include <juce_core/juce_core.h>

/** kravell-render: runs an audio file through the plug-in's own processor. Returns the exit
    code; messages go to the given streams (one line per error). */
int runRenderCommand (const juce::StringArray& arguments, std::ostream& out, std::ostream& err);
