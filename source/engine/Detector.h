#pragma once

#include <juce_dsp/juce_dsp.h>

/** Time constants (seconds) and gain of the detector for one mode. */
struct ModeTimings
{
    double fastAttack, fastRelease, slowAttack, slowRelease;
    float gain;
};

/** Mode 0 or less is Tight, 1 Punch, 2 or more Smooth. */
ModeTimings getModeTimings (int modeIndex) noexcept;

/** One-pole follower coefficient exp(-1/n) for a time in seconds, n held at one sample or more. */
float followerCoefficient (double timeSeconds, double sampleRate) noexcept;

/** The four follower coefficients of one mode at one sample rate. */
struct FollowerCoefficients
{
    float fastAttack = 0.0f, fastRelease = 0.0f, slowAttack = 0.0f, slowRelease = 0.0f;
    float gain = 1.0f;

    static FollowerCoefficients forMode (int modeIndex, double sampleRate) noexcept;
};

/** A second-order IIR section computing exactly what juce::dsp::IIR::Filter<float> computes
    (transposed direct form II), with its state in plain members so the block loop keeps it
    in registers. */
struct Biquad
{
    float b0 = 1.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
    float s0 = 0.0f, s1 = 0.0f;

    void setCoefficients (const juce::dsp::IIR::Coefficients<float>& coefficients) noexcept;
    void reset() noexcept { s0 = s1 = 0.0f; }

    inline float processSample (float x) noexcept
    {
        const auto y = (b0 * x) + s0;
        s0 = (b1 * x) - (a1 * y) + s1;
        s1 = (b2 * x) - (a2 * y);
        return y;
    }
};

/** Detector state of both channels. */
struct DetectorState
{
    Biquad lowFocusFilters[2];
    Biquad highFocusFilters[2];
    float fastEnvelope[2] = { 0.0f, 0.0f };
    float slowEnvelope[2] = { 0.0f, 0.0f };
};

/** Installs the 220 Hz low-pass and 2400 Hz high-pass (Butterworth) for the sample rate. */
void updateFocusFilters (DetectorState& state, double sampleRate);

/** Zeroes the filters and envelopes. */
void resetEngine (DetectorState& state) noexcept;

/** The band-limited detector input for one sample; advances only the filters it uses. */
float detectorSignal (DetectorState& state, float x, int channel, int focusIndex) noexcept;

/** Runs both followers on the rectified detector signal and returns the transient amount J
    in 0..1 for the smoothed sensitivity s (0..1). */
float transientAmount (DetectorState& state, float x, int channel, int focusIndex, const FollowerCoefficients& coefficients, float sensitivity) noexcept;

/** J from the two new envelope values: the fast follower's lead over 88 % of the slow one,
    relative to the fast one, scaled by sensitivity and the mode gain, clamped to 0..1. */
inline float transientFromEnvelopes (float fast, float slow, float sensitivity, float gain) noexcept
{
    const auto lead = fast - 0.88f * slow;
    const auto raw = (lead > 0.0f ? lead : 0.0f) / (fast + 0.0001f) * (1.35f * sensitivity + 0.35f) * gain;
    return raw < 0.0f ? 0.0f : (raw > 1.0f ? 1.0f : raw);
}
