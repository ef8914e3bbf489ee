#include "engine/ShaperKernel.h"
#include "engine/Detector.h"
#include "engine/Shaper.h"

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

ShaperKernel selectShaperKernel() noexcept
{
#if KRAVELL_USE_LIBMVEC
    __builtin_cpu_init();
    if (__builtin_cpu_supports ("avx2") && __builtin_cpu_supports ("fma"))
        return shapeLanesAvx2;
    return shapeLanesSse2;
#else
    return shapeLanesScalar;
#endif
}
