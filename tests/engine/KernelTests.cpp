#include <gtest/gtest.h>

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

    ShaperLanes lanes()
    {
        return { input, fast, slow, controls[0], controls[1], controls[2], controls[3], controls[4], controls[5], controls[6], controls[7], 1.25f, output, count };
    }
};
} // namespace

TEST (ShaperKernels, EveryInstructionSetMatchesTheScalarFormulas)
{
    std::vector<std::pair<const char*, ShaperKernel>> kernels;
#if KRAVELL_USE_LIBMVEC
    kernels.emplace_back ("SSE2", shapeLanesSse2);
    __builtin_cpu_init();
    if (__builtin_cpu_supports ("avx2") && __builtin_cpu_supports ("fma"))
        kernels.emplace_back ("AVX2", shapeLanesAvx2);
#endif
    kernels.emplace_back ("selected", selectShaperKernel());

    for (int seed = 1; seed <= 20; ++seed)
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
                if (lanes.controls[5][i] == 0.0f || lanes.controls[7][i] == 0.0f)
                    ASSERT_EQ (lanes.output[i], lanes.input[i]) << name << ": dry must be bit-exact";
            }
            EXPECT_EQ (inPeak, referenceIn) << name;
            EXPECT_NEAR (outPeak, referenceOut, 1e-5f * std::max (1.0f, referenceOut)) << name;
        }
    }
}

TEST (ShaperKernels, NaNNeverRaisesAPeak)
{
    for (auto kernel : { shapeLanesScalar, selectShaperKernel() })
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
