#include "engine/ShaperKernel.h"
#include "engine/Detector.h"
#include "engine/Shaper.h"

#include <cstdlib>

void shapeLanesScalar (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept
{
    for (int i = 0; i < lanes.count; ++i)
    {
        const auto x = lanes.input[i];
        const auto j = transientFromEnvelopes (lanes.fastEnvelope[i], lanes.slowEnvelope[i], lanes.sensitivity[i], lanes.modeGain);
        const auto y = shapeWithAmount (x, j, lanes.attack[i], lanes.sustain[i], lanes.punch[i], lanes.clip[i], lanes.mix[i], lanes.outputGain[i]);
        const auto out = (y - x) * lanes.power[i] + x;
        lanes.output[i] = out;

        // Written so that a NaN never raises a peak.
        if (std::abs (x) > inputPeak)
            inputPeak = std::abs (x);
        if (std::abs (out) > outputPeak)
            outputPeak = std::abs (out);
    }
}

#if KRAVELL_X86_KERNELS
bool cpuHasAvx2AndFma() noexcept
{
    // With KRAVELL_NO_AVX2 set, the baseline kernels run, as on CPUs without AVX2: the tests
    // run the whole engine that way too, and support can rule the faster path out.
    if (std::getenv ("KRAVELL_NO_AVX2") != nullptr)
        return false;
    __builtin_cpu_init();
    return __builtin_cpu_supports ("avx2") && __builtin_cpu_supports ("fma");
}
#endif

EngineKernels selectEngineKernels() noexcept
{
#if KRAVELL_X86_KERNELS
    if (cpuHasAvx2AndFma())
        return { shapeLanesAvx2, detectAvx2, shapeWhileDetectingAvx2 };
    return { shapeLanesSse2, detectSse2, shapeWhileDetectingSse2 };
#else
    return { shapeLanesScalar, nullptr, nullptr };
#endif
}
