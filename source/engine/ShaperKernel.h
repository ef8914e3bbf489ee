#pragma once

/** The vector kernels exist for x86-64 (Linux and Windows alike); elsewhere the scalar
    kernel runs. */
#if defined(__x86_64__) || defined(_M_X64)
 #define KRAVELL_X86_KERNELS 1
#else
 #define KRAVELL_X86_KERNELS 0
#endif

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
    bool clipIsConstant = false; // every clip value the same, as when its smoother is settled
};

/** Computes, for every sample, the transient amount from the envelopes, the shaped and mixed
    value and the power cross-fade into `output`, and raises the peaks of |input| and
    |output| (NaNs never raise a peak). Nothing here feeds back, so it runs on vectors. */
using ShaperKernel = void (*) (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept;

/** The portable scalar kernel, for comparison. */
void shapeLanesScalar (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept;

#if KRAVELL_X86_KERNELS
void shapeLanesSse2 (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept;
void shapeLanesAvx2 (const ShaperLanes& lanes, float& inputPeak, float& outputPeak) noexcept;

/** Whether this CPU runs the AVX2 + FMA kernel. */
bool cpuHasAvx2AndFma() noexcept;
#endif

struct DetectorState;
struct FollowerCoefficients;

/** One chunk for the detector kernel: each channel's input, and where each channel's two
    envelopes go. Holds `count` samples per channel. */
struct DetectorLanes
{
    const float* input[2];
    float* fastEnvelope[2];
    float* slowEnvelope[2];
    int numChannels; // 1 or 2
    int focusIndex;  // 0 Low, 1 Full, 2 High
    int count;       // at most detectorKernelMaxCount
};

inline constexpr int detectorKernelMaxCount = 64;

/** Runs the band filters and both followers of every channel over a chunk, advancing only
    the filters the focus uses. A non-finite input sample is heard as silence. The filters
    and followers are recursive, so this is the serial half of the engine; the vector kernels
    step all channels' filters and followers in the lanes of one vector. */
using DetectorKernel = void (*) (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& lanes) noexcept;

#if KRAVELL_X86_KERNELS
void detectSse2 (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& lanes) noexcept;
void detectAvx2 (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& lanes) noexcept;
#endif

/** Shapes one chunk of every channel (lanes[0], and lanes[1] in stereo) while running the
    detector through the next chunk (`next.count` may be 0), interleaved so the CPU works on
    both at once; the peaks are raised as by the shaping kernel. */
using ChunkKernel = void (*) (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& next, const ShaperLanes* lanes, int numChannels, float* inputPeaks, float* outputPeaks) noexcept;

/** The kernels of one instruction set: the fastest this CPU runs (AVX2 + FMA, SSE2, or the
    plain scalar code, which has no detector or interleaved kernel: nullptr). Call it off the
    audio thread and keep the result. */
struct EngineKernels
{
    ShaperKernel shape;
    DetectorKernel detect;
    ChunkKernel shapeWhileDetecting;
};

EngineKernels selectEngineKernels() noexcept;

#if KRAVELL_X86_KERNELS
void shapeWhileDetectingSse2 (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& next, const ShaperLanes* lanes, int numChannels, float* inputPeaks, float* outputPeaks) noexcept;
void shapeWhileDetectingAvx2 (DetectorState& state, const FollowerCoefficients& coefficients, const DetectorLanes& next, const ShaperLanes* lanes, int numChannels, float* inputPeaks, float* outputPeaks) noexcept;
#endif
