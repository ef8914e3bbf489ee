#pragma once

#include "processor/PluginProcessor.h"

/** Sets a parameter by its plain value, as a host or the editor does. */
inline void setPlain (KravellAudioProcessor& processor, const char* id, float plainValue)
{
    auto* parameter = processor.parameterState.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (plainValue));
}

/** The plain value the processor holds now (after quantisation to the parameter's step). */
inline float getPlain (KravellAudioProcessor& processor, const char* id)
{
    return processor.parameterState.getRawParameterValue (id)->load();
}
