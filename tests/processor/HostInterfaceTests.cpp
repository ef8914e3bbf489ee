#include <gtest/gtest.h>

#include "processor/PluginProcessor.h"

namespace
{
// Channel counts, not AudioChannelSets: the table is static, and a static JUCE object would
// outlive the leak detector's count.
struct LayoutCase
{
    const char* label;
    int inputChannels, outputChannels; // 0 disabled, 1 mono, 2 stereo, 6 for 5.1
    bool accepted;
};

juce::AudioChannelSet channelSetOf (int channels)
{
    switch (channels)
    {
        case 0: return juce::AudioChannelSet::disabled();
        case 1: return juce::AudioChannelSet::mono();
        case 2: return juce::AudioChannelSet::stereo();
        default: return juce::AudioChannelSet::create5point1();
    }
}

void PrintTo (const LayoutCase& layoutCase, std::ostream* out) { *out << layoutCase.label; }

class BusLayoutTest : public ::testing::TestWithParam<LayoutCase>
{
};
} // namespace

TEST_P (BusLayoutTest, AcceptsOnlyEqualMonoOrStereo)
{
    KravellAudioProcessor processor;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (channelSetOf (GetParam().inputChannels));
    layout.outputBuses.add (channelSetOf (GetParam().outputChannels));
    EXPECT_EQ (processor.checkBusesLayoutSupported (layout), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P (Layouts,
                          BusLayoutTest,
                          ::testing::Values (LayoutCase { "MonoToMono", 1, 1, true },
                                             LayoutCase { "StereoToStereo", 2, 2, true },
                                             LayoutCase { "MonoToStereo", 1, 2, false },
                                             LayoutCase { "StereoToMono", 2, 1, false },
                                             LayoutCase { "SixChannelOut", 6, 6, false },
                                             LayoutCase { "DisabledInput", 0, 2, false },
                                             LayoutCase { "DisabledBoth", 0, 0, false }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.label); });

TEST (HostInterface, FixedAnswers)
{
    KravellAudioProcessor processor;
    EXPECT_EQ (processor.getName(), "Kravell");
    EXPECT_DOUBLE_EQ (processor.getTailLengthSeconds(), 0.08);
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getTotalNumInputChannels(), 2);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");

    processor.prepareToPlay (48000.0, 512);
    processor.releaseResources();
    EXPECT_DOUBLE_EQ (processor.getTailLengthSeconds(), 0.08);
}

TEST (HostInterface, OneNamedProgramThatIgnoresChanges)
{
    KravellAudioProcessor processor;
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "Default");
    EXPECT_EQ (processor.getProgramName (5), "");
    EXPECT_EQ (processor.getProgramName (-1), "");

    processor.setCurrentProgram (3);
    processor.changeProgramName (0, "Renamed");
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "Default");
    EXPECT_FALSE (processor.isCurrentPresetModified());
}

TEST (HostInterface, AnyParameterChangeMarksThePresetModified)
{
    for (int index = 0; index < 10; ++index)
    {
        KravellAudioProcessor processor;
        ASSERT_FALSE (processor.isCurrentPresetModified());
        auto* parameter = processor.getParameters()[index];
        parameter->setValueNotifyingHost (parameter->getValue() > 0.5f ? 0.0f : 1.0f);
        EXPECT_TRUE (processor.isCurrentPresetModified()) << "parameter " << index;
    }
}

TEST (HostInterface, RestoringStateDoesNotMarkThePresetModified)
{
    KravellAudioProcessor source;
    for (auto* parameter : source.getParameters())
        parameter->setValueNotifyingHost (0.0f);
    source.setCurrentPresetInfo ("Presets", false, false);
    juce::MemoryBlock blob;
    source.getStateInformation (blob);

    KravellAudioProcessor target;
    target.setStateInformation (blob.getData(), (int) blob.getSize());
    EXPECT_FALSE (target.isCurrentPresetModified());
    EXPECT_FALSE (target.isPowerOn());
    EXPECT_EQ (target.getModeIndex(), 0);

    // After the restore, ordinary edits mark it again.
    target.getParameters()[2]->setValueNotifyingHost (0.75f);
    EXPECT_TRUE (target.isCurrentPresetModified());
}
