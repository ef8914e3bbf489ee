#pragma once

/** Lane width of every kernel: chunk lengths handed to a kernel are multiples of it. */
inline constexpr int shaperKernelWidth = 8;

/** One channel's chunk for the shaping kernel: per-sample inputs, envelopes and the smoothed
    controls of each sample frame. All arrays hold `count` values. */
struct ShaperLanes
{
    const float* input;
    const float* fastEnvelope;
    const float* slowEnvelope;
    const float* attack;
    const float* sustain;
    const float* sensitivity;
    const float* punch;
    const float* clip;
    const float* mix;
    const float* outputGain;
    const float* power;
    float modeGain;
    float* output;
    int count;
};

/** Computes, for every sample, the transient amount from the envelopes, the shaped and mixed
    value and the power cross-fade into `output`, and raises the peaks of |input| and
    |output| (NaNs never raise a peak). Nothing here feeds back, so it runs on vectors. */
using ShaperKernel = void (*) (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept;

/** The fastest kernel this CPU runs (AVX2 + FMA, SSE2 or plain scalar code). Call it off the
    audio thread and keep the result. */
ShaperKernel selectShaperKernel() noexcept;

/** The portable scalar kernel, for comparison. */
void shapeLanesScalar (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept;

#if KRAVELL_USE_LIBMVEC
void shapeLanesSse2 (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept;
void shapeLanesAvx2 (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept;
#endif
