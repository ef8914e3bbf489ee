#include "host/HostFixture.h"

TEST_F (HostFixture, PowerOffPassesAudioThroughUnchanged)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    plugin->getParameters()[0]->setValueNotifyingHost (0.0f);
    plugin->prepareToPlay (48000.0, 512);

    juce::Random random (42);
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> input (2, 512);
    for (int block = 0; block < 8; ++block)
    {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                input.setSample (c, i, random.nextFloat() * 2.0f - 1.0f);
        buffer.makeCopyOf (input);
        plugin->processBlock (buffer, midi);

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                ASSERT_EQ (buffer.getSample (c, i), input.getSample (c, i)) << "block " << block << " channel " << c << " sample " << i;
    }
    plugin->releaseResources();
}

TEST_F (HostFixture, StateRoundTripThroughTheWrapper)
{
    const float values[] = { 0.0f, 1.0f, 0.2f, 0.9f, 0.33f, 0.0f, 0.77f, 0.05f, 0.42f, 0.61f }; // normalised, none a default

    auto source = load();
    ASSERT_NE (source, nullptr);
    for (int i = 0; i < 10; ++i)
        source->getParameters()[i]->setValueNotifyingHost (values[i]);

    juce::MemoryBlock first;
    source->getStateInformation (first);
    ASSERT_GT (first.getSize(), 8u);

    auto target = load();
    ASSERT_NE (target, nullptr);
    target->setStateInformation (first.getData(), (int) first.getSize());
    for (int i = 0; i < 10; ++i)
    {
        SCOPED_TRACE (i);
        EXPECT_EQ (target->getParameters()[i]->getCurrentValueAsText(), source->getParameters()[i]->getCurrentValueAsText());
        EXPECT_NEAR (target->getParameters()[i]->getValue(), source->getParameters()[i]->getValue(), 1e-6f);
    }

    juce::MemoryBlock second;
    target->getStateInformation (second);
    EXPECT_EQ (second, first);
}
