#pragma once

#include <gtest/gtest.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include "host/BuiltBundle.h"
#include "support/MessagePump.h"

/** Deletes a hosted instance once the module's own message thread, which runs beside the
    host's, has delivered what the instance posted to it: the framework's wrapper asserts when
    an instance goes with an update still pending, as a host that closes a plug-in at once
    would do. */
struct SettleThenDelete
{
    void operator() (juce::AudioPluginInstance* instance) const
    {
        juce::Thread::sleep (40);
        pumpMessages (10);
        delete instance;
    }
};

using HostedInstance = std::unique_ptr<juce::AudioPluginInstance, SettleThenDelete>;

/** Loads the built Kravell.vst3 bundle through JUCE's VST3 hosting, the way a DAW does. */
class HostFixture : public ::testing::Test
{
protected:
    /** The freshly built bundle, or the one named by KRAVELL_VST3_BUNDLE (e.g. an installed copy). */
    static juce::File bundle() { return builtBundle(); }

    static juce::PluginDescription describe()
    {
        juce::VST3PluginFormat format;
        juce::OwnedArray<juce::PluginDescription> types;
        format.findAllTypesForFile (types, bundle().getFullPathName());
        if (types.size() != 1)
            throw std::runtime_error ("expected exactly one plug-in class in the bundle");
        return *types[0];
    }

    HostedInstance load (double sampleRate = 48000.0, int blockSize = 512)
    {
        juce::VST3PluginFormat format;
        juce::String error;
        HostedInstance instance (format.createInstanceFromDescription (describe(), sampleRate, blockSize, error).release());
        if (instance == nullptr)
            ADD_FAILURE() << "could not load the bundle: " << error;
        return instance;
    }
};
