#include <gtest/gtest.h>

#include "processor/ParameterLayout.h"
#include "processor/PluginProcessor.h"

namespace
{
struct ParameterRow
{
    const char* id;
    const char* name;
    float start, end, defaultPlain;
    const char* defaultText;
};

const ParameterRow parameterTable[] = {
    { "power", "Power", 0.0f, 1.0f, 1.0f, "On" },
    { "mode", "Mode", 0.0f, 2.0f, 1.0f, "Punch" },
    { "attack", "Attack", -12.0f, 12.0f, 5.0f, "5.00" },
    { "sustain", "Sustain", -12.0f, 12.0f, -2.5f, "-2.50" },
    { "sensitivity", "Sensitivity", 0.0f, 100.0f, 60.0f, "60.00" },
    { "focus", "Focus", 0.0f, 2.0f, 1.0f, "Full" },
    { "punch", "Punch", 0.0f, 100.0f, 30.0f, "30.00" },
    { "clip", "Clip", 0.0f, 100.0f, 25.0f, "25.00" },
    { "mix", "Mix", 0.0f, 100.0f, 100.0f, "100.00" },
    { "output", "Output", -12.0f, 12.0f, 0.0f, "0.00" },
};

class ParameterTableTest : public ::testing::TestWithParam<int>
{
protected:
    KravellAudioProcessor processor;
};
} // namespace

TEST_P (ParameterTableTest, MatchesTheHostFacingTable)
{
    const auto index = GetParam();
    const auto& row = parameterTable[index];
    auto* parameter = dynamic_cast<juce::RangedAudioParameter*> (processor.getParameters()[index]);
    ASSERT_NE (parameter, nullptr);

    EXPECT_EQ (parameter->getParameterID(), row.id);
    EXPECT_EQ (parameter->getName (100), row.name);
    EXPECT_EQ (parameter->getVersionHint(), 1);
    EXPECT_EQ (parameter->getLabel(), "");
    EXPECT_TRUE (parameter->isAutomatable());
    EXPECT_FALSE (parameter->isMetaParameter());

    const auto& range = parameter->getNormalisableRange();
    EXPECT_FLOAT_EQ (range.start, row.start);
    EXPECT_FLOAT_EQ (range.end, row.end);
    EXPECT_FLOAT_EQ (range.skew, 1.0f);

    if (dynamic_cast<juce::AudioParameterFloat*> (parameter) != nullptr)
    {
        EXPECT_FLOAT_EQ (range.interval, 0.01f);
    }

    EXPECT_FLOAT_EQ (parameter->convertFrom0to1 (parameter->getDefaultValue()), row.defaultPlain);
    EXPECT_FLOAT_EQ (processor.parameterState.getRawParameterValue (row.id)->load(), row.defaultPlain);
    EXPECT_EQ (parameter->getCurrentValueAsText(), row.defaultText);
}

INSTANTIATE_TEST_SUITE_P (AllTen, ParameterTableTest, ::testing::Range (0, 10));

TEST (Parameters, ExactlyTenInIndexOrder)
{
    KravellAudioProcessor processor;
    ASSERT_EQ (processor.getParameters().size(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ (processor.getParameters()[i]->getParameterIndex(), i);
}

TEST (Parameters, ChoicesAndQuantisation)
{
    KravellAudioProcessor processor;
    auto* mode = dynamic_cast<juce::AudioParameterChoice*> (processor.parameterState.getParameter ("mode"));
    auto* focus = dynamic_cast<juce::AudioParameterChoice*> (processor.parameterState.getParameter ("focus"));
    ASSERT_NE (mode, nullptr);
    ASSERT_NE (focus, nullptr);

    EXPECT_EQ (mode->choices, juce::StringArray ({ "Tight", "Punch", "Smooth" }));
    EXPECT_EQ (focus->choices, juce::StringArray ({ "Low", "Full", "High" }));
    EXPECT_FLOAT_EQ (mode->convertTo0to1 (1.0f), 0.5f);
    EXPECT_FLOAT_EQ (focus->convertTo0to1 (2.0f), 1.0f);

    // Float parameters snap to the 0.01 step.
    auto* attack = processor.parameterState.getParameter ("attack");
    attack->setValueNotifyingHost (attack->convertTo0to1 (3.14159f));
    EXPECT_FLOAT_EQ (processor.parameterState.getRawParameterValue ("attack")->load(), 3.14f);
}

TEST (Parameters, QueriesFollowTheLiveValues)
{
    KravellAudioProcessor processor;
    EXPECT_TRUE (processor.isPowerOn());
    EXPECT_EQ (processor.getModeIndex(), 1);
    EXPECT_EQ (processor.getFocusIndex(), 1);

    processor.parameterState.getParameter ("power")->setValueNotifyingHost (0.0f);
    processor.parameterState.getParameter ("mode")->setValueNotifyingHost (1.0f);
    processor.parameterState.getParameter ("focus")->setValueNotifyingHost (0.0f);
    EXPECT_FALSE (processor.isPowerOn());
    EXPECT_EQ (processor.getModeIndex(), 2);
    EXPECT_EQ (processor.getFocusIndex(), 0);
}

TEST (Parameters, OutputGainRange)
{
    EXPECT_NEAR (juce::Decibels::decibelsToGain (-12.0f), 0.2512f, 1e-4f);
    EXPECT_NEAR (juce::Decibels::decibelsToGain (12.0f), 3.981f, 1e-3f);
}
