#include <gtest/gtest.h>

#include "support/ProcessorHelpers.h"

namespace
{
juce::AudioBuffer<float> noise (int channels, int samples, int seed, float level = 0.5f)
{
    juce::Random random (seed);
    juce::AudioBuffer<float> buffer (channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            buffer.setSample (c, i, (random.nextFloat() * 2.0f - 1.0f) * level);
    return buffer;
}

void process (KravellAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
{
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
}

/** Index of the first sample from which every later sample of every channel equals the input. */
int firstSampleOfDryTail (const juce::AudioBuffer<float>& output, const juce::AudioBuffer<float>& input)
{
    int first = output.getNumSamples();
    for (int i = output.getNumSamples() - 1; i >= 0; --i)
    {
        bool equal = true;
        for (int c = 0; c < output.getNumChannels(); ++c)
            equal = equal && std::equal_to<float>() (output.getSample (c, i), input.getSample (c, i));
        if (! equal)
            break;
        first = i;
    }
    return first;
}
} // namespace

TEST (Processing, PowerOffAndMixZeroLandBitIdenticalOnTheInputAfterTheirRamps)
{
    struct Case
    {
        const char* id;
        double sampleRate;
        int rampSamples;
    };
    // Power fades over floor (0.02 x rate) samples, mix over floor (0.03 x rate).
    for (const auto& c : { Case { "power", 48000.0, 960 }, Case { "mix", 44100.0, 1323 } })
    {
        SCOPED_TRACE (c.id);
        KravellAudioProcessor processor;
        processor.prepareToPlay (c.sampleRate, 4096);
        auto warmUp = noise (2, 4096, 1);
        process (processor, warmUp);

        setPlain (processor, c.id, 0.0f);
        const auto input = noise (2, 4096, 2);
        auto output = input;
        process (processor, output);

        EXPECT_EQ (firstSampleOfDryTail (output, input), c.rampSamples - 1); // the last ramp step lands on 0
        EXPECT_GT (processor.getOutputMeter (0), 0.0f); // meters keep running
    }
}

TEST (Processing, MetersFromASingleSampleAndEmptyBlocks)
{
    KravellAudioProcessor processor;
    processor.prepareToPlay (48000.0, 512);
    juce::AudioBuffer<float> silence (2, 512);
    silence.clear();
    process (processor, silence);
    EXPECT_EQ (processor.getInputMeter (0), 0.0f);

    juce::AudioBuffer<float> block (2, 512);
    block.clear();
    block.setSample (0, 100, 0.0316228f); // -30 dBFS
    process (processor, block);
    EXPECT_NEAR (processor.getInputMeter (0), 0.5f, 1e-4f);
    EXPECT_EQ (processor.getInputMeter (1), 0.0f);

    silence.clear();
    process (processor, silence);
    EXPECT_NEAR (processor.getInputMeter (0), 0.43f, 1e-4f);

    // A block of 0 samples advances nothing and only decays the meters.
    juce::AudioBuffer<float> empty (2, 0);
    process (processor, empty);
    EXPECT_NEAR (processor.getInputMeter (0), 0.5f * 0.86f * 0.86f, 1e-4f);
}

TEST (Processing, MonoProcessesChannelZeroAndDecaysChannelOnesMeters)
{
    KravellAudioProcessor processor;
    processor.prepareToPlay (48000.0, 512);
    auto stereo = noise (2, 512, 5);
    process (processor, stereo);
    const auto before = processor.getInputMeter (1);
    const auto outputBefore = processor.getOutputMeter (1);
    ASSERT_GT (before, 0.5f);

    juce::AudioProcessor::BusesLayout mono;
    mono.inputBuses.add (juce::AudioChannelSet::mono());
    mono.outputBuses.add (juce::AudioChannelSet::mono());
    ASSERT_TRUE (processor.setBusesLayout (mono));
    processor.prepareToPlay (48000.0, 512);

    for (int block = 1; block <= 3; ++block)
    {
        auto buffer = noise (1, 512, 6 + block);
        const auto input = buffer;
        process (processor, buffer);
        EXPECT_NEAR (processor.getInputMeter (1), before * std::pow (0.86f, (float) block), 1e-5f);
        EXPECT_NEAR (processor.getOutputMeter (1), outputBefore * std::pow (0.86f, (float) block), 1e-5f);
        EXPECT_GT (processor.getInputMeter (0), 0.5f);
        EXPECT_NE (buffer.getSample (0, 300), input.getSample (0, 300)); // channel 0 is shaped
    }
}

TEST (Processing, NonFiniteInputNeverPoisonsTheEngine)
{
    const float bad[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity() };
    for (auto focus : { 0.0f, 1.0f, 2.0f })
    {
        for (auto value : bad)
        {
            KravellAudioProcessor processor;
            setPlain (processor, "focus", focus);
            processor.prepareToPlay (48000.0, 512);
            auto buffer = noise (2, 512, 11);
            buffer.setSample (0, 10, value);
            buffer.setSample (1, 500, value);
            process (processor, buffer);

            // Finite input again: finite output from the very next block (well within 0.5 s).
            for (int block = 0; block < 4; ++block)
            {
                auto next = noise (2, 512, 12 + block);
                process (processor, next);
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < 512; ++i)
                        ASSERT_TRUE (std::isfinite (next.getSample (c, i))) << value << " focus " << focus;
            }
            EXPECT_TRUE (std::isfinite (processor.getInputMeter (0)));
            EXPECT_TRUE (std::isfinite (processor.getOutputMeter (1)));
        }
    }
}

TEST (Processing, HugeFiniteInputGivesFiniteOutput)
{
    KravellAudioProcessor processor;
    setPlain (processor, "attack", 12.0f);
    setPlain (processor, "output", 12.0f);
    processor.prepareToPlay (48000.0, 256);
    for (int block = 0; block < 8; ++block)
    {
        auto buffer = noise (2, 256, 20 + block, 1.0f);
        for (int i = 0; i < 256; i += 3)
            buffer.setSample (i % 2, i, (i % 4 == 0 ? 1e20f : -1e20f));
        process (processor, buffer);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 256; ++i)
                ASSERT_TRUE (std::isfinite (buffer.getSample (c, i))) << "block " << block << " sample " << i;
    }
}
