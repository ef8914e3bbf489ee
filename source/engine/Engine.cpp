#include "engine/Engine.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{
constexpr int roundUpToKernelWidth (int n) noexcept { return (n + shaperKernelWidth - 1) / shaperKernelWidth * shaperKernelWidth; }

// All eight smoothers in their advancing order.
template <typename Function>
void forEachSmoother (SmoothedControls& s, const ControlValues& v, Function&& function) noexcept
{
    function (s.smoothedAttack, v.attack, 0.02);
    function (s.smoothedSustain, v.sustain, 0.02);
    function (s.smoothedSensitivity, v.sensitivity, 0.03);
    function (s.smoothedPunch, v.punch, 0.03);
    function (s.smoothedClip, v.clip, 0.03);
    function (s.smoothedMix, v.mix, 0.03);
    function (s.smoothedOutputGain, v.outputGain, 0.02);
    function (s.smoothedPower, v.power, 0.02);
}

/** Fills one control's lane for a chunk, padded with its last value. A settled smoother is a
    constant, written in whole kernel-width pieces, and not written at all when the lane
    already holds it from an earlier block: at small blocks that is most of the filling. */
void fillControl (juce::SmoothedValue<float>& smoother, float* lane, float& laneConstant, int& laneConstantLength, int count, int paddedCount) noexcept
{
    if (smoother.isSmoothing())
    {
        for (int i = 0; i < count; ++i)
            lane[i] = smoother.getNextValue();
        for (int i = count; i < paddedCount; ++i)
            lane[i] = lane[count - 1];
        laneConstantLength = 0;
        return;
    }

    const auto value = smoother.getTargetValue();
    if (laneConstantLength >= paddedCount && juce::exactlyEqual (laneConstant, value))
        return;

    for (int i = 0; i < paddedCount; ++i)
        lane[i] = value;
    laneConstant = value;
    laneConstantLength = paddedCount;
}

inline bool isFinite (float value) noexcept { return std::abs (value) <= std::numeric_limits<float>::max(); }

/** The serial half of the detector in plain code, where no vector detector kernel exists:
    band filters and both followers, sample by sample, for all channels in one loop, so the
    channels' dependent chains of multiply-adds overlap instead of running one after the
    other. A non-finite input sample is heard by the detector as silence; with the clearing
    of overflowed state after each chunk, one bad sample can never leave the detector stuck. */
template <int focus, size_t numChannels>
void runDetector (DetectorState& state, const FollowerCoefficients& k, EngineChunk& scratch, int count) noexcept
{
    Biquad low[numChannels], high[numChannels];
    float fast[numChannels], slow[numChannels];
    for (size_t c = 0; c < numChannels; ++c)
    {
        low[c] = state.lowFocusFilters[c];
        high[c] = state.highFocusFilters[c];
        fast[c] = state.fastEnvelope[c];
        slow[c] = state.slowEnvelope[c];
    }

    for (int i = 0; i < count; ++i)
    {
        for (size_t c = 0; c < numChannels; ++c)
        {
            const auto input = scratch.input[c][i];
            const auto x = isFinite (input) ? input : 0.0f;

            float d;
            if constexpr (focus == 0)
            {
                d = low[c].processSample (x);
            }
            else if constexpr (focus == 2)
            {
                d = high[c].processSample (x);
            }
            else
            {
                const auto l = low[c].processSample (x);
                const auto h = high[c].processSample (x);
                d = 0.25f * h + 0.2f * (x - l) + 0.55f * x;
            }

            const auto rectified = std::abs (d);
            fast[c] = (fast[c] - rectified) * (rectified > fast[c] ? k.fastAttack : k.fastRelease) + rectified;
            slow[c] = (slow[c] - rectified) * (rectified > slow[c] ? k.slowAttack : k.slowRelease) + rectified;
            scratch.fastEnvelope[c][i] = fast[c];
            scratch.slowEnvelope[c][i] = slow[c];
        }
    }

    for (size_t c = 0; c < numChannels; ++c)
    {
        state.lowFocusFilters[c] = low[c];
        state.highFocusFilters[c] = high[c];
        state.fastEnvelope[c] = fast[c];
        state.slowEnvelope[c] = slow[c];
    }
}

/** Clears any filter or follower whose state overflowed during the chunk. */
void clearOverflowedState (DetectorState& state) noexcept
{
    // A finite sum means every term is finite: the usual case costs a few additions.
    float sum = 0.0f;
    for (int c = 0; c < 2; ++c)
        sum += state.lowFocusFilters[c].s0 + state.lowFocusFilters[c].s1 + state.highFocusFilters[c].s0 + state.highFocusFilters[c].s1 + state.fastEnvelope[c] + state.slowEnvelope[c];
    if (isFinite (sum))
        return;

    for (int c = 0; c < 2; ++c)
    {
        auto& low = state.lowFocusFilters[c];
        auto& high = state.highFocusFilters[c];
        if (! (isFinite (low.s0) && isFinite (low.s1)))
            low.reset();
        if (! (isFinite (high.s0) && isFinite (high.s1)))
            high.reset();
        if (! (isFinite (state.fastEnvelope[c]) && isFinite (state.slowEnvelope[c])))
            state.fastEnvelope[c] = state.slowEnvelope[c] = 0.0f;
    }
}

template <size_t numChannels>
void runDetectorForFocus (int focus, DetectorState& state, const FollowerCoefficients& k, EngineChunk& scratch, int count) noexcept
{
    if (focus == 0)
        runDetector<0, numChannels> (state, k, scratch, count);
    else if (focus == 2)
        runDetector<2, numChannels> (state, k, scratch, count);
    else
        runDetector<1, numChannels> (state, k, scratch, count);
}
} // namespace

void SmoothedControls::prepare (double sampleRate, const ControlValues& values) noexcept
{
    forEachSmoother (*this, values, [sampleRate] (auto& smoother, float value, double rampSeconds) {
        smoother.reset (sampleRate, rampSeconds);
        smoother.setCurrentAndTargetValue (value);
    });
}

void SmoothedControls::setTargets (const ControlValues& values) noexcept
{
    // An unchanged value, the usual case, skips the framework's tolerance comparison.
    forEachSmoother (*this, values, [] (auto& smoother, float value, double) {
        if (! juce::exactlyEqual (value, smoother.getTargetValue()))
            smoother.setTargetValue (value);
    });
}

namespace
{
using Float4 = float __attribute__ ((vector_size (16)));
using Int4 = std::int32_t __attribute__ ((vector_size (16)));

/** The meter scale of four levels at once, in one vector (the compiler's portable vector
    type: SSE2 on x86-64): 20 log10 from the exponent bits and the series of
    2 atanh ((m-1)/(m+1)) for the mantissa m in [0.707, 1.414), to about 1e-6 dB. The meters
    take four of these every block, which std::log10 made a large part of a small block. */
void levelsToMeters (const float (&levels)[4], float (&meters)[4]) noexcept
{
    Float4 x;
    std::memcpy (&x, levels, sizeof (x));
    const Int4 silent = ! (x > 0.000001f); // NaN included
    const Int4 huge = ! (x <= std::numeric_limits<float>::max());
    const Int4 special = silent | huge;
    const Float4 one = { 1.0f, 1.0f, 1.0f, 1.0f };
    const auto safe = (Float4) (((Int4) x & ~special) | ((Int4) one & special));

    const auto bits = (Int4) safe;
    const auto mantissa = bits & 0x007fffff;
    const Int4 highMantissa = mantissa > 0x003504f3; // above sqrt 2: -1
    const auto exponent = ((bits >> 23) & 0xff) - 127 - highMantissa;
    const auto m = (Float4) (mantissa | (highMantissa & 0x3f000000) | (~highMantissa & 0x3f800000));

    const auto s = (m - 1.0f) / (m + 1.0f);
    const auto s2 = s * s;
    const auto s4 = s2 * s2;
    // The series' terms in pairs (Estrin's scheme): a short chain, as the meters end every block.
    const auto series = 1.0f + s2 * ((1.0f / 3.0f + s2 * 0.2f) + s4 * ((1.0f / 7.0f) + s2 * (1.0f / 9.0f)));
    const auto logOfMantissa = 2.0f * s * series;
    auto decibels = (__builtin_convertvector (exponent, Float4) * 0.693147180559945f + logOfMantissa) * 8.68588963806504f; // 20 / ln 10
    decibels = decibels > -72.0f ? decibels : -72.0f;
    auto meter = decibels * (1.0f / 60.0f) + 1.0f;
    meter = meter > 0.0f ? meter : 0.0f;
    meter = meter < 1.0f ? meter : 1.0f;
    const auto result = (Float4) (((Int4) meter & ~special) | ((Int4) one & huge & ~silent));
    std::memcpy (meters, &result, sizeof (result));
}
} // namespace

float levelToMeter (float absoluteLevel) noexcept
{
    const float levels[4] = { absoluteLevel, 0.0f, 0.0f, 0.0f };
    float meters[4];
    levelsToMeters (levels, meters);
    return meters[0];
}

void prepareEngine (EngineState& engine, double sampleRate, const ControlValues& current)
{
    engine.currentSampleRate = sampleRate;
    updateFocusFilters (engine.detector, sampleRate);
    resetEngine (engine.detector);
    engine.smoothed.prepare (sampleRate, current);

    for (int mode = 0; mode < 3; ++mode)
        engine.modeCoefficients[mode] = FollowerCoefficients::forMode (mode, sampleRate);

    engine.kernels = selectEngineKernels();
}

namespace
{
/** Fills a chunk's eight control lanes from the smoothers, padded to `paddedCount`. */
void fillControlLanes (EngineChunk& chunk, juce::SmoothedValue<float>* const* smoothers, int count, int paddedCount) noexcept
{
    chunk.clipIsConstant = ! smoothers[4]->isSmoothing();
    for (int control = 0; control < 8; ++control)
        fillControl (*smoothers[control], chunk.controls[control], chunk.laneConstant[control], chunk.laneConstantLength[control], count, paddedCount);
}

/** Fills a chunk's control lanes from the smoothers and copies in its input, padding the
    lanes to the kernel width. */
void loadChunk (EngineChunk& chunk, juce::SmoothedValue<float>* const* smoothers, float* const* channels, int numChannels, int start, int count) noexcept
{
    const auto padded = roundUpToKernelWidth (count);
    fillControlLanes (chunk, smoothers, count, padded);

    for (int c = 0; c < numChannels; ++c)
    {
        if (count < shaperKernelWidth) // a few samples: a library call would cost more than the copy
            for (int i = 0; i < count; ++i)
                chunk.input[c][i] = channels[c][start + i];
        else
            std::copy (channels[c] + start, channels[c] + start + count, chunk.input[c]);
        for (int i = count; i < padded; ++i) // at most a few lanes: no library call
            chunk.input[c][i] = chunk.fastEnvelope[c][i] = chunk.slowEnvelope[c][i] = 0.0f;
    }
}

DetectorLanes detectorLanesOf (EngineChunk& chunk, int numChannels, int focus, int count) noexcept
{
    return { { chunk.input[0], chunk.input[1] }, { chunk.fastEnvelope[0], chunk.fastEnvelope[1] }, { chunk.slowEnvelope[0], chunk.slowEnvelope[1] }, numChannels, focus, count };
}

ShaperLanes shaperLanesOf (EngineChunk& chunk, int channel, float modeGain, int count) noexcept
{
    return { chunk.input[channel],
             chunk.fastEnvelope[channel],
             chunk.slowEnvelope[channel],
             chunk.controls[0],
             chunk.controls[1],
             chunk.controls[2],
             chunk.controls[3],
             chunk.controls[4],
             chunk.controls[5],
             chunk.controls[6],
             chunk.controls[7],
             modeGain,
             chunk.output[channel],
             roundUpToKernelWidth (count),
             chunk.clipIsConstant };
}
/** A stereo block of a few frames, as hosts hand over at automation points and in
    low-latency sessions: both channels share one kernel vector (left in the first half,
    right in the second) instead of each taking a whole, mostly padded one. The frames are
    written straight into their halves and the detector writes its envelopes there too, so
    nothing is moved between them; the unused lanes are never read back (the peaks come from
    the frames themselves), so they are not cleared either. */
void processFewStereoFrames (EngineState& engine, EngineScratch& scratch, juce::SmoothedValue<float>* const* smoothers, float* const* channels, const FollowerCoefficients& coefficients, int focus, int count, float (&inputPeak)[2], float (&outputPeak)[2]) noexcept
{
    constexpr auto half = shaperKernelWidth / 2;
    auto& chunk = scratch.chunks[0];
    fillControlLanes (chunk, smoothers, count, shaperKernelWidth);
    for (int control = 0; control < 8; ++control)
        if (chunk.laneConstantLength[control] == 0) // ramping: the right half takes the same frames' values
            for (int i = 0; i < half; ++i)
                chunk.controls[control][half + i] = chunk.controls[control][i];

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < count; ++i)
            chunk.input[0][c * half + i] = channels[c][i];

    const DetectorLanes detectorLanes { { chunk.input[0], chunk.input[0] + half }, { chunk.fastEnvelope[0], chunk.fastEnvelope[0] + half }, { chunk.slowEnvelope[0], chunk.slowEnvelope[0] + half }, 2, focus, count };
    engine.kernels.detect (engine.detector, coefficients, detectorLanes);
    clearOverflowedState (engine.detector);

    float unusedIn = 0.0f, unusedOut = 0.0f;
    engine.kernels.shape (shaperLanesOf (chunk, 0, coefficients.gain, shaperKernelWidth), unusedIn, unusedOut);

    // The peaks per channel, written so that a NaN never raises one.
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < count; ++i)
        {
            const auto in = std::abs (channels[c][i]);
            const auto out = chunk.output[0][c * half + i];
            channels[c][i] = out;
            if (in > inputPeak[c])
                inputPeak[c] = in;
            if (std::abs (out) > outputPeak[c])
                outputPeak[c] = std::abs (out);
        }
}

BlockPeaks processWithScratch (EngineState& engine, EngineScratch& scratch, float* const* channels, int numChannels, int numSamples, const ControlValues& targets) noexcept
{
    engine.smoothed.setTargets (targets);

    const auto& coefficients = engine.modeCoefficients[juce::jlimit (0, 2, targets.modeIndex)];
    const auto focus = juce::jlimit (0, 2, targets.focusIndex);
    auto& smoothed = engine.smoothed;
    juce::SmoothedValue<float>* smoothers[] = { &smoothed.smoothedAttack, &smoothed.smoothedSustain, &smoothed.smoothedSensitivity, &smoothed.smoothedPunch, &smoothed.smoothedClip, &smoothed.smoothedMix, &smoothed.smoothedOutputGain, &smoothed.smoothedPower };

    float inputPeak[2] = { 0.0f, 0.0f }, outputPeak[2] = { 0.0f, 0.0f };
    numChannels = juce::jlimit (0, 2, numChannels);

    const auto& kernels = engine.kernels;
    if (kernels.shapeWhileDetecting != nullptr && numChannels == 2 && numSamples > 0 && numSamples <= shaperKernelWidth / 2)
    {
        processFewStereoFrames (engine, scratch, smoothers, channels, coefficients, focus, numSamples, inputPeak, outputPeak);
    }
    else if (kernels.shapeWhileDetecting != nullptr && numChannels > 0 && numSamples > 0)
    {
        // The detector runs one chunk ahead of the shaping: the first chunk alone, then each
        // chunk is shaped while the detector goes through the one after it.
        auto* current = &scratch.chunks[0];
        auto* next = &scratch.chunks[1];
        auto count = std::min (EngineState::chunkSize, numSamples);
        loadChunk (*current, smoothers, channels, numChannels, 0, count);
        kernels.detect (engine.detector, coefficients, detectorLanesOf (*current, numChannels, focus, count));
        clearOverflowedState (engine.detector);

        for (int start = 0; start < numSamples;)
        {
            const auto nextStart = start + count;
            const auto nextCount = std::min (EngineState::chunkSize, numSamples - nextStart);
            if (nextCount > 0)
                loadChunk (*next, smoothers, channels, numChannels, nextStart, nextCount);

            const ShaperLanes lanes[2] = { shaperLanesOf (*current, 0, coefficients.gain, count), shaperLanesOf (*current, 1, coefficients.gain, count) };
            kernels.shapeWhileDetecting (engine.detector, coefficients, detectorLanesOf (*next, numChannels, focus, std::max (nextCount, 0)), lanes, numChannels, inputPeak, outputPeak);
            if (nextCount > 0)
                clearOverflowedState (engine.detector);

            for (int c = 0; c < numChannels; ++c)
                for (int i = 0; i < count; ++i)
                    channels[c][start + i] = current->output[c][i];

            std::swap (current, next);
            start = nextStart;
            count = nextCount;
        }
    }
    else
    {
        // Where there are no vector kernels: the plain detector, then the scalar shaping.
        auto& chunk = scratch.chunks[0];
        for (int start = 0; start < numSamples; start += EngineState::chunkSize)
        {
            const auto count = std::min (EngineState::chunkSize, numSamples - start);
            loadChunk (chunk, smoothers, channels, numChannels, start, count);

            if (numChannels == 2)
                runDetectorForFocus<2> (focus, engine.detector, coefficients, chunk, count);
            else if (numChannels == 1)
                runDetectorForFocus<1> (focus, engine.detector, coefficients, chunk, count);
            clearOverflowedState (engine.detector);

            for (int c = 0; c < numChannels; ++c)
            {
                kernels.shape (shaperLanesOf (chunk, c, coefficients.gain, count), inputPeak[c], outputPeak[c]);
                std::copy (chunk.output[c], chunk.output[c] + count, channels[c] + start);
            }
        }
    }

    // The meter mapping is monotonic, so mapping the block's peak equals the peak of the mapped samples.
    const float levels[4] = { inputPeak[0], inputPeak[1], outputPeak[0], outputPeak[1] };
    float meters[4];
    levelsToMeters (levels, meters);
    return { { meters[0], meters[1] }, { meters[2], meters[3] } };
}

// Windows builds (measured under Wine, alternating runs: 16.3 against 13.5 ns a frame on
// average) ran slower with the pool below than with the working memory on the audio thread's
// stack, which every instance on that thread also reuses at the same place, so it stays in
// the core's cache as well; the cause was not found. There the stack is used; elsewhere the
// pool, which is cheaper per block.
#if ! defined (_WIN32)
 #define KRAVELL_ENGINE_SCRATCH_POOL 1
#endif

#if KRAVELL_ENGINE_SCRATCH_POOL
/** A pool of working memory for every instance in the process. With one scratch per
    instance, a session of a few hundred instances touched a few hundred scratches per round of
    blocks, more than a core's cache holds; an audio thread that takes the same slot every block
    keeps it in its cache instead. A slot is claimed with one atomic exchange: no lock, no
    allocation, and nothing thread-local (which some toolchains allocate on a thread's first
    access). */
struct alignas (64) ScratchSlot
{
    std::atomic<bool> busy { false };
    EngineScratch scratch;
};

constexpr int scratchSlotCount = 16;
ScratchSlot scratchSlots[scratchSlotCount];

/** The slot a thread tries first, from where its stack lies: threads' stacks are far apart,
    while one thread's blocks start at much the same depth, so each audio thread keeps to its
    own slot, and threads running at once rarely meet on one. */
int preferredSlot (const void* stackAddress) noexcept
{
    const auto page = (std::uint64_t) reinterpret_cast<std::uintptr_t> (stackAddress) >> 16;
    return (int) ((page * 0x9e3779b97f4a7c15ull) >> 60) % scratchSlotCount;
}
#endif

/** Working memory on the stack: on Windows, and where more threads than slots process at
    once; kept out of the pool path's frame. */
__attribute__ ((noinline)) BlockPeaks processWithStackScratch (EngineState& engine, float* const* channels, int numChannels, int numSamples, const ControlValues& targets) noexcept
{
    EngineScratch scratch;
    return processWithScratch (engine, scratch, channels, numChannels, numSamples, targets);
}
} // namespace

BlockPeaks processEngineBlock (EngineState& engine, float* const* channels, int numChannels, int numSamples, const ControlValues& targets) noexcept
{
#if KRAVELL_ENGINE_SCRATCH_POOL
    const char stackMarker = 0;
    const auto first = preferredSlot (&stackMarker);
    for (int i = 0; i < scratchSlotCount; ++i)
    {
        auto& slot = scratchSlots[(first + i) % scratchSlotCount];
        // A relaxed look first, so a slot in use costs no exclusive access to its line.
        if (slot.busy.load (std::memory_order_relaxed) || slot.busy.exchange (true, std::memory_order_acquire))
            continue;

        const auto peaks = processWithScratch (engine, slot.scratch, channels, numChannels, numSamples, targets);
        slot.busy.store (false, std::memory_order_release);
        return peaks;
    }
#endif
    return processWithStackScratch (engine, channels, numChannels, numSamples, targets);
}

void publishMeters (std::atomic<float> (&meters)[2], const float (&peaks)[2]) noexcept
{
    for (int c = 0; c < 2; ++c)
        meters[c].store (std::max (meters[c].load (std::memory_order_relaxed) * 0.86f, peaks[c]), std::memory_order_relaxed); // only this thread writes them
}
