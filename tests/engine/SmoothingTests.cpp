#include <gtest/gtest.h>

#include "engine/Engine.h"

namespace
{
ControlValues defaults() { return {}; } // every parameter at its default

/** Steps a smoother until it stops ramping and returns how many steps that took. */
int stepsToSettle (juce::SmoothedValue<float>& smoother)
{
    int steps = 0;
    while (smoother.isSmoothing())
    {
        smoother.getNextValue();
        ++steps;
    }
    return steps;
}
} // namespace

TEST (Smoothing, RampLengthsFollowTheSampleRate)
{
    for (auto [rate, shortRamp, longRamp] : { std::tuple { 44100.0, 882, 1323 }, std::tuple { 48000.0, 960, 1440 }, std::tuple { 8000.0, 160, 240 } })
    {
        SmoothedControls s;
        s.prepare (rate, defaults());
        auto moved = defaults();
        moved.attack = -5.0f;
        moved.sustain = 3.0f;
        moved.sensitivity = 0.1f;
        moved.punch = 0.9f;
        moved.clip = 0.0f;
        moved.mix = 0.0f;
        moved.outputGain = 2.0f;
        moved.power = 0.0f;
        s.setTargets (moved);

        EXPECT_EQ (stepsToSettle (s.smoothedAttack), shortRamp) << rate;
        EXPECT_EQ (stepsToSettle (s.smoothedSustain), shortRamp) << rate;
        EXPECT_EQ (stepsToSettle (s.smoothedSensitivity), longRamp) << rate;
        EXPECT_EQ (stepsToSettle (s.smoothedPunch), longRamp) << rate;
        EXPECT_EQ (stepsToSettle (s.smoothedClip), longRamp) << rate;
        EXPECT_EQ (stepsToSettle (s.smoothedMix), longRamp) << rate;
        EXPECT_EQ (stepsToSettle (s.smoothedOutputGain), shortRamp) << rate;
        EXPECT_EQ (stepsToSettle (s.smoothedPower), shortRamp) << rate;
        EXPECT_EQ (s.smoothedMix.getCurrentValue(), 0.0f);
    }
}

TEST (Smoothing, PrepareSnapsWithoutARamp)
{
    SmoothedControls s;
    auto v = defaults();
    v.attack = 10.0f;
    s.prepare (48000.0, v);
    s.setTargets (v);
    EXPECT_FALSE (s.smoothedAttack.isSmoothing());
    EXPECT_EQ (s.smoothedAttack.getNextValue(), 10.0f);
}

TEST (Smoothing, ASecondMoveRestartsTheRampFromWhereItIs)
{
    SmoothedControls s;
    s.prepare (48000.0, defaults());
    auto v = defaults();
    v.attack = -5.0f;
    s.setTargets (v);
    for (int i = 0; i < 300; ++i)
        s.smoothedAttack.getNextValue();
    const auto intermediate = s.smoothedAttack.getCurrentValue();
    EXPECT_NEAR (intermediate, 5.0f - 10.0f * 300.0f / 960.0f, 1e-4f);

    v.attack = 0.0f;
    s.setTargets (v);
    EXPECT_EQ (stepsToSettle (s.smoothedAttack), 960);
    EXPECT_EQ (s.smoothedAttack.getCurrentValue(), 0.0f);

    // The first step of the new ramp starts from the intermediate value.
    SmoothedControls t;
    t.prepare (48000.0, defaults());
    t.setTargets (defaults());
    v.attack = -5.0f;
    t.setTargets (v);
    for (int i = 0; i < 300; ++i)
        t.smoothedAttack.getNextValue();
    v.attack = 0.0f;
    t.setTargets (v);
    EXPECT_NEAR (t.smoothedAttack.getNextValue(), intermediate + (0.0f - intermediate) / 960.0f, 1e-5f);
}
