#include <gtest/gtest.h>

#include "engine/Detector.h"
#include "engine/ShaperKernel.h"

#include <juce_core/juce_core.h>

// Every kernel the dispatcher may choose, not only the one this CPU gets, against the scalar
// kernel (the plain formulas) on the same lanes.

namespace
{
struct Lanes
{
    static constexpr int count = 64;
    float input[count], fast[count], slow[count], controls[8][count], output[count];

    explicit Lanes (int seed)
    {
        juce::Random random (seed);
        if (seed > 20)
        {
            sweep (seed);
            return;
        }
        for (int i = 0; i < count; ++i)
        {
            input[i] = (random.nextFloat() * 2.0f - 1.0f) * (i % 7 == 0 ? 3.0f : 1.0f);
            slow[i] = random.nextFloat();
            fast[i] = slow[i] * random.nextFloat() * 3.0f;
            controls[0][i] = random.nextFloat() * 24.0f - 12.0f; // attack dB
            controls[1][i] = random.nextFloat() * 24.0f - 12.0f; // sustain dB
            controls[2][i] = random.nextFloat();                 // sensitivity
            controls[3][i] = random.nextFloat();                 // punch
            controls[4][i] = i % 5 == 0 ? 0.0f : (i % 5 == 1 ? 0.0001f : random.nextFloat()); // clip, at and below its threshold too
            controls[5][i] = i % 9 == 0 ? 0.0f : random.nextFloat(); // mix
            controls[6][i] = 0.25f + random.nextFloat() * 3.75f;     // output gain
            controls[7][i] = i % 11 == 0 ? 0.0f : 1.0f;              // power
        }
    }

    /** Inputs from -20 to +20 (far past where tanh saturates and where the clipper's
        argument leaves the fitted range), fully transient, with one extreme setting each. */
    void sweep (int seed)
    {
        for (int i = 0; i < count; ++i)
        {
            input[i] = -20.0f + 40.0f * (float) i / (count - 1);
            slow[i] = 0.01f;
            fast[i] = 1.0f;
            controls[0][i] = seed % 2 == 0 ? 12.0f : -12.0f;
            controls[1][i] = seed % 2 == 0 ? -12.0f : 12.0f;
            controls[2][i] = 1.0f;
            controls[3][i] = seed % 3 == 0 ? 0.0f : 1.0f;
            controls[4][i] = seed % 4 == 0 ? 0.0f : 1.0f;
            controls[5][i] = 1.0f;
            controls[6][i] = seed % 5 == 0 ? 0.25f : 3.98f;
            controls[7][i] = 1.0f;
        }
    }

    ShaperLanes lanes()
    {
        const auto clipIsConstant = std::all_of (controls[4], controls[4] + count, [this] (float k) { return juce::exactlyEqual (k, controls[4][0]); });
        return { input, fast, slow, controls[0], controls[1], controls[2], controls[3], controls[4], controls[5], controls[6], controls[7], 1.25f, output, count, clipIsConstant };
    }
};
/** Every kernel set the dispatcher may choose, not only the one this CPU gets. */
std::vector<std::pair<const char*, EngineKernels>> everyKernelSet()
{
    std::vector<std::pair<const char*, EngineKernels>> sets;
#if KRAVELL_X86_KERNELS
    sets.push_back ({ "SSE2", { shapeLanesSse2, detectSse2, shapeWhileDetectingSse2 } });
    if (cpuHasAvx2AndFma())
        sets.push_back ({ "AVX2", { shapeLanesAvx2, detectAvx2, shapeWhileDetectingAvx2 } });
#endif
    sets.push_back ({ "selected", selectEngineKernels() });
    return sets;
}
} // namespace

TEST (ShaperKernels, EveryInstructionSetMatchesTheScalarFormulas)
{
    std::vector<std::pair<const char*, ShaperKernel>> kernels;
    for (const auto& [name, set] : everyKernelSet())
        kernels.emplace_back (name, set.shape);

    for (int seed = 1; seed <= 40; ++seed)
    {
        Lanes reference (seed);
        auto referenceLanes = reference.lanes();
        float referenceIn = 0.0f, referenceOut = 0.0f;
        shapeLanesScalar (referenceLanes, referenceIn, referenceOut);

        for (const auto& [name, kernel] : kernels)
        {
            Lanes lanes (seed);
            auto view = lanes.lanes();
            float inPeak = 0.0f, outPeak = 0.0f;
            kernel (view, inPeak, outPeak);

            for (int i = 0; i < Lanes::count; ++i)
            {
                const auto want = reference.output[i];
                ASSERT_LE (std::abs (lanes.output[i] - want), 1e-5f * std::max (1.0f, std::abs (want))) << name << " seed " << seed << " sample " << i;
                if (std::equal_to<float>() (lanes.controls[5][i], 0.0f) || std::equal_to<float>() (lanes.controls[7][i], 0.0f))
                {
                    ASSERT_EQ (lanes.output[i], lanes.input[i]) << name << ": dry must be bit-exact";
                }
            }
            EXPECT_EQ (inPeak, referenceIn) << name;
            EXPECT_NEAR (outPeak, referenceOut, 1e-5f * std::max (1.0f, referenceOut)) << name;
        }
    }
}

TEST (ShaperKernels, NaNNeverRaisesAPeak)
{
    for (auto kernel : { shapeLanesScalar, selectEngineKernels().shape })
    {
        Lanes lanes (3);
        lanes.input[10] = std::numeric_limits<float>::quiet_NaN();
        auto view = lanes.lanes();
        float inPeak = 0.0f, outPeak = 0.0f;
        kernel (view, inPeak, outPeak);
        EXPECT_TRUE (std::isfinite (inPeak));
        EXPECT_TRUE (std::isfinite (outPeak));
        EXPECT_GT (inPeak, 0.0f);
    }
}

// The detector is recursive and reacts sharply to tiny differences in quiet passages, so every
// detector kernel must give bit for bit what the per-sample formulas give, for each focus,
// mono and stereo, and must leave the filters a focus does not use untouched.
TEST (DetectorKernels, EveryInstructionSetMatchesThePerSampleFormulasExactly)
{
    std::vector<std::pair<const char*, DetectorKernel>> kernels;
    for (const auto& [name, set] : everyKernelSet())
        if (set.detect != nullptr)
            kernels.emplace_back (name, set.detect);

    constexpr int count = detectorKernelMaxCount;
    const auto coefficients = FollowerCoefficients::forMode (0, 44100.0);
    for (const auto& [name, kernel] : kernels)
        for (int focus = 0; focus < 3; ++focus)
            for (int channels = 1; channels <= 2; ++channels)
            {
                SCOPED_TRACE (std::string (name) + " focus " + std::to_string (focus) + " channels " + std::to_string (channels));
                DetectorState expected, state;
                updateFocusFilters (expected, 44100.0);
                updateFocusFilters (state, 44100.0);
                juce::Random random (focus * 10 + channels);
                for (int chunk = 0; chunk < 20; ++chunk)
                {
                    float input[2][count], fast[2][count] {}, slow[2][count] {};
                    for (int c = 0; c < 2; ++c)
                        for (int i = 0; i < count; ++i)
                            input[c][i] = chunk % 4 == 3 ? 1e-6f * random.nextFloat() : (i < 8 ? 1.0f : 0.0f) * (c == 0 ? 0.9f : -0.4f) + 0.01f * random.nextFloat();

                    kernel (state, coefficients, { { input[0], input[1] }, { fast[0], fast[1] }, { slow[0], slow[1] }, channels, focus, count });

                    for (int i = 0; i < count; ++i)
                        for (int c = 0; c < channels; ++c)
                        {
                            transientAmount (expected, input[c][i], c, focus, coefficients, 0.5f);
                            ASSERT_EQ (fast[c][i], expected.fastEnvelope[c]) << "chunk " << chunk << " sample " << i << " channel " << c;
                            ASSERT_EQ (slow[c][i], expected.slowEnvelope[c]) << "chunk " << chunk << " sample " << i << " channel " << c;
                        }
                }
                for (int c = 0; c < 2; ++c)
                {
                    EXPECT_EQ (state.lowFocusFilters[c].s0, expected.lowFocusFilters[c].s0);
                    EXPECT_EQ (state.lowFocusFilters[c].s1, expected.lowFocusFilters[c].s1);
                    EXPECT_EQ (state.highFocusFilters[c].s0, expected.highFocusFilters[c].s0);
                    EXPECT_EQ (state.highFocusFilters[c].s1, expected.highFocusFilters[c].s1);
                    EXPECT_EQ (state.fastEnvelope[c], expected.fastEnvelope[c]);
                }
            }
}
