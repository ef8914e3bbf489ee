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
