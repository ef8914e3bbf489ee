#pragma once

#include <juce_dsp/juce_dsp.h>

#include "engine/DetectorState.h"

/** Time constants (seconds) and gain of the detector for one mode. */
struct ModeTimings
{
    double fastAttack, fastRelease, slowAttack, slowRelease;
    float gain;
};

/** Installs a framework biquad's coefficients (b0, b1, b2, a1, a2, already normalised). */
void setBiquadCoefficients (Biquad& biquad, const juce::dsp::IIR::Coefficients<float>& coefficients) noexcept;

/** Mode 0 or less is Tight, 1 Punch, 2 or more Smooth. */
ModeTimings getModeTimings (int modeIndex) noexcept;

/** One-pole follower coefficient exp(-1/n) for a time in seconds, n held at one sample or more. */
float followerCoefficient (double timeSeconds, double sampleRate) noexcept;

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
