#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/Engine.h"
#include "engine/Shaper.h"

TEST (Detector, FollowerCoefficients)
{
    EXPECT_NEAR (followerCoefficient (0.0003, 48000.0), 0.932912f, 1e-6f);
    EXPECT_NEAR (followerCoefficient (0.0006, 48000.0), 0.965874f, 1e-6f);
    EXPECT_NEAR (followerCoefficient (0.0012, 48000.0), 0.982789f, 1e-6f);
    EXPECT_NEAR (followerCoefficient (0.12, 48000.0), 0.999826f, 1e-6f);

    // 2.4 samples at 8 kHz is not held at one sample; times below a sample are.
    EXPECT_EQ (followerCoefficient (0.0003, 8000.0), (float) std::exp (-1.0 / 2.4));
    EXPECT_EQ (followerCoefficient (0.00005, 8000.0), (float) std::exp (-1.0));
    EXPECT_EQ (followerCoefficient (0.0, 48000.0), (float) std::exp (-1.0));
}

TEST (Detector, ModeAndFocusIndicesOutOfRange)
{
    const auto smooth = FollowerCoefficients::forMode (2, 48000.0);
    const auto three = FollowerCoefficients::forMode (3, 48000.0);
    EXPECT_EQ (three.fastAttack, smooth.fastAttack);
    EXPECT_EQ (three.slowRelease, smooth.slowRelease);
    EXPECT_EQ (three.gain, 0.86f);
    EXPECT_EQ (FollowerCoefficients::forMode (-4, 48000.0).gain, 1.1f);

    DetectorState a, b;
    updateFocusFilters (a, 48000.0);
    updateFocusFilters (b, 48000.0);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ (detectorSignal (a, std::sin ((float) i), 0, -1), detectorSignal (b, std::sin ((float) i), 0, 0));
}

TEST (Detector, BiquadMatchesTheFrameworkFilterBitForBit)
{
    for (auto rate : { 8000.0, 44100.0, 192000.0 })
    {
        juce::dsp::IIR::Filter<float> framework;
        framework.coefficients = juce::dsp::IIR::Coefficients<float>::makeHighPass (rate, 2400.0f);
        framework.reset();
        Biquad ours;
        setBiquadCoefficients (ours, *framework.coefficients);

        juce::Random random (7);
        for (int i = 0; i < 5000; ++i)
        {
            const auto x = random.nextFloat() * 2.0f - 1.0f;
            ASSERT_EQ (ours.processSample (x), framework.processSample (x)) << rate << " Hz, sample " << i;
        }
    }
}

TEST (Detector, TransientAmountOnSilenceConstantAndStep)
{
    DetectorState state;
    updateFocusFilters (state, 48000.0);
    const auto punch = FollowerCoefficients::forMode (1, 48000.0);

    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ (transientAmount (state, 0.0f, 0, 1, punch, 0.6f), 0.0f);

    // A settled constant 1.0 through the low band: J = 0.12 / 1.0001 x (1.35 s + 0.35) x g.
    float j = 0.0f;
    for (int i = 0; i < 48000 * 10; ++i)
        j = transientAmount (state, 1.0f, 0, 0, punch, 0.6f);
    EXPECT_NEAR (j, 0.12 / 1.0001 * (1.35 * 0.6 + 0.35) * 1.25, 2e-4);
    EXPECT_NEAR (j, 0.17409f, 2e-5f);

    // The high band removes a constant level.
    DetectorState high;
    updateFocusFilters (high, 48000.0);
    for (int i = 0; i < 48000; ++i)
        j = transientAmount (high, 1.0f, 1, 2, punch, 0.6f);
    EXPECT_LT (j, 1e-3f);

    // A step from silence is a transient within the first millisecond, fading as the slow
    // follower catches up.
    DetectorState step;
    updateFocusFilters (step, 48000.0);
    float peak = 0.0f;
    for (int i = 0; i < 48; ++i)
        peak = std::max (peak, transientAmount (step, 0.8f, 0, 1, punch, 0.6f));
    EXPECT_GT (peak, 0.95f);
    for (int i = 0; i < 48000 / 5; ++i)
        j = transientAmount (step, 0.8f, 0, 1, punch, 0.6f);
    EXPECT_LT (j, 0.5f);
}

namespace
{
struct ShaperCase
{
    float x, j, attackDb, sustainDb, punch, clip, mix, outputGain, expected;
};
} // namespace

TEST (Shaper, WorkedExamples)
{
    const ShaperCase cases[] = {
        { 0.1f, 0.0f, 5.0f, -2.5f, 0.3f, 0.0f, 1.0f, 1.0f, 0.0749894f },
        { 0.1f, 1.0f, 5.0f, -2.5f, 0.0f, 0.0f, 1.0f, 1.0f, 0.188632f },
        { 0.1f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.307976f },
        { -0.1f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, -0.307976f },
        { -0.1f, 1.0f, 5.0f, -2.5f, 0.0f, 0.0f, 1.0f, 1.0f, -0.188632f },
    };
    for (const auto& c : cases)
        EXPECT_NEAR (shapeWithAmount (c.x, c.j, c.attackDb, c.sustainDb, c.punch, c.clip, c.mix, c.outputGain), c.expected, 2e-6f)
            << "x " << c.x << " J " << c.j;
}

TEST (Shaper, SoftClip)
{
    EXPECT_NEAR (softClip (2.0f, 1.0f), 1.000091f, 2e-6f);
    EXPECT_NEAR (softClip (2.0f, 0.25f), 1.759155f, 2e-6f);
    EXPECT_NEAR (softClip (-2.0f, 0.25f), -1.759155f, 2e-6f);
    for (auto k : { 0.00011f, 0.1f, 0.5f, 1.0f })
        EXPECT_NEAR (softClip (1.0f, k), 1.0f, 1e-6f) << k;

    EXPECT_EQ (softClip (0.7f, 0.0001f), 0.7f);
    EXPECT_EQ (softClip (0.7f, 0.0f), 0.7f);
    EXPECT_NE (softClip (0.7f, 0.00011f), 0.7f);
}

TEST (Shaper, MixZeroReturnsTheInputBitForBit)
{
    DetectorState state;
    updateFocusFilters (state, 48000.0);
    juce::Random random (3);
    for (int i = 0; i < 2000; ++i)
    {
        const auto x = random.nextFloat() * 4.0f - 2.0f;
        ASSERT_EQ (shapeSample (state, 48000.0, x, 0, 12.0f, -12.0f, 1.0f, 1.0f, 1.0f, 0.0f, 3.9f, 1, 1), x);
    }
    EXPECT_GT (state.fastEnvelope[0], 0.0f); // the detector still ran
}

TEST (Meters, LevelToMeterScale)
{
    EXPECT_EQ (levelToMeter (0.0f), 0.0f);
    EXPECT_EQ (levelToMeter (0.000001f), 0.0f);
    EXPECT_EQ (levelToMeter (0.001f), 0.0f);
    EXPECT_NEAR (levelToMeter (0.0316228f), 0.5f, 1e-5f);
    EXPECT_EQ (levelToMeter (1.0f), 1.0f);
    EXPECT_EQ (levelToMeter (7.0f), 1.0f);
    EXPECT_EQ (levelToMeter (std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_EQ (levelToMeter (std::numeric_limits<float>::infinity()), 1.0f);

    // The same scale as 20 log10 in double precision, from below -60 dB to above 0 dB.
    for (double decibels = -75.0; decibels <= 6.0; decibels += 0.0137)
    {
        const auto level = (float) std::pow (10.0, decibels / 20.0);
        const auto want = std::clamp ((std::max (20.0 * std::log10 ((double) level), -72.0) + 60.0) / 60.0, 0.0, 1.0);
        ASSERT_NEAR (levelToMeter (level), want, 2e-7) << decibels << " dB";
    }
}
