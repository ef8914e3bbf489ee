// The audio thread runs processBlock while the message thread saves and restores state and
// loads and saves presets, and a third thread automates parameters as a host does. Built
// with ThreadSanitizer by the test script, so any data race or lock-order problem fails it.

#include <gtest/gtest.h>

#include <thread>

#include "support/ProcessorHelpers.h"
#include "support/TempFolder.h"

TEST (Concurrency, AudioStateAndPresetsRunTogether)
{
    TempFolder temp;
    KravellAudioProcessor processor;
    processor.getPresetFileStore().setApplicationDataRoot (temp.folder);
    ASSERT_TRUE (processor.saveUserPreset ("Shared"));
    processor.prepareToPlay (48000.0, 256);

    std::atomic<bool> running { true };
    std::atomic<int> blocks { 0 };

    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::MidiBuffer midi;
        juce::Random random (1);
        while (running.load())
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 256; ++i)
                    buffer.setSample (c, i, random.nextFloat() - 0.5f);
            processor.processBlock (buffer, midi);
            blocks.fetch_add (1);
        }
    });

    std::thread automation ([&] {
        juce::Random random (2);
        auto& parameters = processor.getParameters();
        while (running.load())
        {
            auto* parameter = parameters[random.nextInt (parameters.size())];
            parameter->beginChangeGesture();
            parameter->setValueNotifyingHost (random.nextFloat());
            parameter->endChangeGesture();
            std::this_thread::yield();
        }
    });

    // This thread plays the message thread.
    juce::MemoryBlock blob;
    for (int round = 0; round < 200; ++round)
    {
        processor.getStateInformation (blob);
        processor.setStateInformation (blob.getData(), (int) blob.getSize());
        processor.loadFactoryPreset (processor.getFactoryPresetNames()[round % 8]);
        EXPECT_TRUE (processor.saveUserPreset ("Shared"));
        EXPECT_TRUE (processor.loadUserPreset ("Shared"));
        juce::ignoreUnused (processor.getPresetDisplayName(), processor.getInputMeter (0), processor.getOutputMeter (1));
        setPlain (processor, "attack", (float) (round % 24 - 12));
    }

    running = false;
    audio.join();
    automation.join();

    EXPECT_GT (blocks.load(), 0);
    processor.getStateInformation (blob);
    EXPECT_GT (blob.getSize(), 8u);
}
