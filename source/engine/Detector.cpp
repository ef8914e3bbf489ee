#include "engine/Detector.h"

ModeTimings getModeTimings (int modeIndex) noexcept
{
    if (modeIndex <= 0)
        return { 0.0006, 0.014, 0.016, 0.12, 1.1f };
    if (modeIndex == 1)
        return { 0.0003, 0.012, 0.034, 0.24, 1.25f };
    return { 0.0012, 0.03, 0.045, 0.32, 0.86f };
}

float followerCoefficient (double timeSeconds, double sampleRate) noexcept
{
    const auto samples = std::max (std::max (timeSeconds, 0.00001) * sampleRate, 1.0);
    return (float) std::exp (-1.0 / samples);
}

FollowerCoefficients FollowerCoefficients::forMode (int modeIndex, double sampleRate) noexcept
{
    const auto timings = getModeTimings (modeIndex);
    return { followerCoefficient (timings.fastAttack, sampleRate),
             followerCoefficient (timings.fastRelease, sampleRate),
             followerCoefficient (timings.slowAttack, sampleRate),
             followerCoefficient (timings.slowRelease, sampleRate),
             timings.gain };
}

void setBiquadCoefficients (Biquad& biquad, const juce::dsp::IIR::Coefficients<float>& coefficients) noexcept
{
    // The framework stores a normalised biquad as b0, b1, b2, a1, a2.
    const auto* c = coefficients.getRawCoefficients();
    biquad.b0 = c[0];
    biquad.b1 = c[1];
    biquad.b2 = c[2];
    biquad.a1 = c[3];
    biquad.a2 = c[4];
}

void updateFocusFilters (DetectorState& state, double sampleRate)
{
    const auto low = juce::dsp::IIR::Coefficients<float>::makeLowPass (sampleRate, 220.0f);
    const auto high = juce::dsp::IIR::Coefficients<float>::makeHighPass (sampleRate, 2400.0f);
    for (int c = 0; c < 2; ++c)
    {
        setBiquadCoefficients (state.lowFocusFilters[c], *low);
        setBiquadCoefficients (state.highFocusFilters[c], *high);
    }
}

void resetEngine (DetectorState& state) noexcept
{
    for (int c = 0; c < 2; ++c)
    {
        state.lowFocusFilters[c].reset();
        state.highFocusFilters[c].reset();
        state.fastEnvelope[c] = 0.0f;
        state.slowEnvelope[c] = 0.0f;
    }
}

float detectorSignal (DetectorState& state, float x, int channel, int focusIndex) noexcept
{
    if (focusIndex <= 0)
        return state.lowFocusFilters[channel].processSample (x);
    if (focusIndex >= 2)
        return state.highFocusFilters[channel].processSample (x);

    const auto l = state.lowFocusFilters[channel].processSample (x);
    const auto h = state.highFocusFilters[channel].processSample (x);
    return 0.25f * h + 0.2f * (x - l) + 0.55f * x;
}

float transientAmount (DetectorState& state, float x, int channel, int focusIndex, const FollowerCoefficients& coefficients, float sensitivity) noexcept
{
    const auto rectified = std::abs (detectorSignal (state, x, channel, focusIndex));

    auto& fast = state.fastEnvelope[channel];
    auto& slow = state.slowEnvelope[channel];
    fast = (fast - rectified) * (rectified > fast ? coefficients.fastAttack : coefficients.fastRelease) + rectified;
    slow = (slow - rectified) * (rectified > slow ? coefficients.slowAttack : coefficients.slowRelease) + rectified;

    return transientFromEnvelopes (fast, slow, sensitivity, coefficients.gain);
}
