#include "engine/Engine.h"

#include <cmath>

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

/** Fills one control's lane for a chunk: a settled smoother is a constant. */
void fillControl (juce::SmoothedValue<float>& smoother, float* lane, int count, int paddedCount) noexcept
{
    if (smoother.isSmoothing())
    {
        for (int i = 0; i < count; ++i)
            lane[i] = smoother.getNextValue();
    }
    else
    {
        const auto value = smoother.getTargetValue();
        for (int i = 0; i < count; ++i)
            lane[i] = value;
    }

    for (int i = count; i < paddedCount; ++i)
        lane[i] = lane[count - 1];
}

inline bool isFinite (float value) noexcept { return std::abs (value) <= std::numeric_limits<float>::max(); }

/** The serial half of the detector: band filter and both followers, sample by sample. A
    non-finite input sample is heard by the detector as silence, and a state that overflows
    is cleared, so one bad sample can never leave the detector stuck. */
template <int focus>
void runDetector (DetectorState& state, int channel, const FollowerCoefficients& k, const float* input, float* fastOut, float* slowOut, int count) noexcept
{
    auto low = state.lowFocusFilters[channel];
    auto high = state.highFocusFilters[channel];
    auto fast = state.fastEnvelope[channel];
    auto slow = state.slowEnvelope[channel];

    for (int i = 0; i < count; ++i)
    {
        const auto x = isFinite (input[i]) ? input[i] : 0.0f;

        float d;
        if constexpr (focus == 0)
        {
            d = low.processSample (x);
        }
        else if constexpr (focus == 2)
        {
            d = high.processSample (x);
        }
        else
        {
            const auto l = low.processSample (x);
            const auto h = high.processSample (x);
            d = 0.25f * h + 0.2f * (x - l) + 0.55f * x;
        }

        const auto rectified = std::abs (d);
        fast = (fast - rectified) * (rectified > fast ? k.fastAttack : k.fastRelease) + rectified;
        slow = (slow - rectified) * (rectified > slow ? k.slowAttack : k.slowRelease) + rectified;
        fastOut[i] = fast;
        slowOut[i] = slow;
    }

    if (! (isFinite (low.s0) && isFinite (low.s1)))
        low.reset();
    if (! (isFinite (high.s0) && isFinite (high.s1)))
        high.reset();
    if (! (isFinite (fast) && isFinite (slow)))
        fast = slow = 0.0f;

    state.lowFocusFilters[channel] = low;
    state.highFocusFilters[channel] = high;
    state.fastEnvelope[channel] = fast;
    state.slowEnvelope[channel] = slow;
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
    forEachSmoother (*this, values, [] (auto& smoother, float value, double) { smoother.setTargetValue (value); });
}

float levelToMeter (float absoluteLevel) noexcept
{
    if (! (absoluteLevel > 0.000001f))
        return 0.0f;

    const auto decibels = std::max (20.0f * std::log10 (absoluteLevel), -72.0f);
    return juce::jlimit (0.0f, 1.0f, (decibels + 60.0f) / 60.0f);
}

void prepareEngine (EngineState& engine, double sampleRate, const ControlValues& current)
{
    engine.currentSampleRate = sampleRate;
    updateFocusFilters (engine.detector, sampleRate);
    resetEngine (engine.detector);
    engine.smoothed.prepare (sampleRate, current);

    for (int mode = 0; mode < 3; ++mode)
        engine.modeCoefficients[mode] = FollowerCoefficients::forMode (mode, sampleRate);

    engine.kernel = selectShaperKernel();
}

BlockPeaks processEngineBlock (EngineState& engine, float* const* channels, int numChannels, int numSamples, const ControlValues& targets) noexcept
{
    engine.smoothed.setTargets (targets);

    const auto& coefficients = engine.modeCoefficients[juce::jlimit (0, 2, targets.modeIndex)];
    const auto focus = juce::jlimit (0, 2, targets.focusIndex);
    auto& scratch = engine.scratch;
    auto& smoothed = engine.smoothed;
    juce::SmoothedValue<float>* smoothers[] = { &smoothed.smoothedAttack, &smoothed.smoothedSustain, &smoothed.smoothedSensitivity, &smoothed.smoothedPunch, &smoothed.smoothedClip, &smoothed.smoothedMix, &smoothed.smoothedOutputGain, &smoothed.smoothedPower };

    float inputPeak[2] = { 0.0f, 0.0f }, outputPeak[2] = { 0.0f, 0.0f };
    numChannels = juce::jlimit (0, 2, numChannels);

    for (int start = 0; start < numSamples; start += EngineState::chunkSize)
    {
        const auto count = std::min (EngineState::chunkSize, numSamples - start);
        const auto padded = roundUpToKernelWidth (count);

        for (int control = 0; control < 8; ++control)
            fillControl (*smoothers[control], scratch.controls[control], count, padded);

        for (int c = 0; c < numChannels; ++c)
        {
            auto* samples = channels[c] + start;
            std::copy (samples, samples + count, scratch.input);
            std::fill (scratch.input + count, scratch.input + padded, 0.0f);
            std::fill (scratch.fastEnvelope + count, scratch.fastEnvelope + padded, 0.0f);
            std::fill (scratch.slowEnvelope + count, scratch.slowEnvelope + padded, 0.0f);

            if (focus == 0)
                runDetector<0> (engine.detector, c, coefficients, scratch.input, scratch.fastEnvelope, scratch.slowEnvelope, count);
            else if (focus == 2)
                runDetector<2> (engine.detector, c, coefficients, scratch.input, scratch.fastEnvelope, scratch.slowEnvelope, count);
            else
                runDetector<1> (engine.detector, c, coefficients, scratch.input, scratch.fastEnvelope, scratch.slowEnvelope, count);

            const ShaperLanes lanes { scratch.input,
                                      scratch.fastEnvelope,
                                      scratch.slowEnvelope,
                                      scratch.controls[0],
                                      scratch.controls[1],
                                      scratch.controls[2],
                                      scratch.controls[3],
                                      scratch.controls[4],
                                      scratch.controls[5],
                                      scratch.controls[6],
                                      scratch.controls[7],
                                      coefficients.gain,
                                      scratch.output,
                                      padded };
            engine.kernel (lanes, inputPeak[c], outputPeak[c]);
            std::copy (scratch.output, scratch.output + count, samples);
        }
    }

    // The meter mapping is monotonic, so mapping the block's peak equals the peak of the mapped samples.
    BlockPeaks peaks;
    for (int c = 0; c < 2; ++c)
    {
        peaks.input[c] = levelToMeter (inputPeak[c]);
        peaks.output[c] = levelToMeter (outputPeak[c]);
    }
    return peaks;
}

void publishMeters (std::atomic<float> (&meters)[2], const float (&peaks)[2]) noexcept
{
    for (int c = 0; c < 2; ++c)
        meters[c].exchange (std::max (meters[c].load() * 0.86f, peaks[c]));
}
