#pragma once

// The detector's state as plain data, with no framework types: the vector detector kernels,
// compiled per instruction set, read and write it without touching any shared inline code.

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

