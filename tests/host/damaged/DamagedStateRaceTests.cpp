// The host restores damaged and valid project states from its message thread while its audio
// thread keeps processing, through the built bundle's VST3 interfaces. Built with
// ThreadSanitizer by the test script, so a data race fails it as surely as a crash.

#include "host/BuiltBundle.h"
#include "host/damaged/DamagedStreams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

TEST (DamagedStateWhileAudioRuns, RestoresNeverDisturbTheAudioThread)
{
    rawhost::Module module (builtBundle());
    rawhost::Instance instance (module, 48000.0, 128);

    const auto defaults = instance.getState();
    auto xml = juce::AudioProcessor::getXmlFromBinary (defaults.getData(), (int) defaults.getSize());
    ASSERT_NE (xml, nullptr);
    for (auto* param : xml->getChildIterator())
        if (param->getStringAttribute ("id") == "attack")
            param->setAttribute ("value", "11");
    juce::MemoryBlock loud;
    juce::AudioProcessor::copyXmlToBinary (*xml, loud);
    const auto layout = damaged::StateLayout::of (defaults);
    loud.append (static_cast<const char*> (defaults.getData()) + layout.pluginBlobSize, defaults.getSize() - layout.pluginBlobSize);

    std::atomic<bool> running { true };
    std::atomic<int> blocks { 0 }, nonFinite { 0 };
    std::thread audio ([&] {
        std::vector<float> left (128), right (128);
        juce::Random random (3);
        while (running.load())
        {
            for (size_t i = 0; i < left.size(); ++i)
            {
                left[i] = random.nextFloat() * 2.0f - 1.0f;
                right[i] = random.nextFloat() * 2.0f - 1.0f;
            }
            instance.process (left.data(), right.data(), (int) left.size());
            for (size_t i = 0; i < left.size(); ++i)
                if (! std::isfinite (left[i]) || ! std::isfinite (right[i]))
                    nonFinite.fetch_add (1);
            blocks.fetch_add (1);
        }
    });

    // This thread plays the host's message thread: damaged streams between valid ones.
    damaged::Mutator mutator (loud, 99u);
    for (int round = 0; round < 3000; ++round)
    {
        const auto kind = (damaged::Mutation) (round % (int) damaged::Mutation::count);
        instance.setState (mutator.make (kind), (rawhost::StreamKind) (round % 3));
        instance.setState (round % 3 == 0 ? defaults : loud);
        juce::ignoreUnused (instance.getState());
    }

    running = false;
    audio.join();

    EXPECT_GT (blocks.load(), 0);
    EXPECT_EQ (nonFinite.load(), 0);
    instance.setState (loud);
    const auto restored = instance.getState();
    const auto restoredXml = juce::AudioProcessor::getXmlFromBinary (restored.getData(), (int) restored.getSize());
    ASSERT_NE (restoredXml, nullptr);
    EXPECT_EQ (restoredXml->getChildByAttribute ("id", "attack")->getDoubleAttribute ("value"), 11.0);
    instance.setState (restored);
    EXPECT_EQ (instance.getState(), restored);
}
