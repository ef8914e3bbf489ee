#include "engine/Shaper.h"

float softClip (float v, float k) noexcept
{
    if (k <= 0.0001f)
        return v;

    const auto drive = 1.0f + 4.0f * k;
    return v + (std::tanh (drive * v) / std::max (std::tanh (drive), 0.001f) - v) * k;
}

float shapeWithAmount (float x, float transient, float attackDb, float sustainDb, float punch, float clip, float mix, float outputGain) noexcept
{
    const auto j = transient;
    const auto body = juce::jlimit (0.0f, 1.0f, 1.0f - (0.78f - 0.08f * punch) * j);

    const auto transientGain = juce::Decibels::decibelsToGain (j * attackDb);
    const auto bodyGain = juce::Decibels::decibelsToGain (body * sustainDb);

    const auto part = j * x;
    const auto drive = 1.0f + 3.2f * punch * j;
    // Normalised tanh (maps +-1 to +-1) minus the straight line: only the added curvature.
    const auto saturation = std::tanh (drive * part) / std::max (std::tanh (drive), 0.001f) - part;
    const auto shaped = saturation * (0.35f + 0.35f * punch) + bodyGain * (x - part) + transientGain * part;

    return x + mix * (softClip (shaped, clip) * outputGain - x);
}

float shapeSample (DetectorState& state,
                   double sampleRate,
                   float x,
                   int channel,
                   float attackDb,
                   float sustainDb,
                   float sensitivity,
                   float punch,
                   float clip,
                   float mix,
                   float outputGain,
                   int focusIndex,
                   int modeIndex) noexcept
{
    const auto coefficients = FollowerCoefficients::forMode (modeIndex, sampleRate);
    const auto j = transientAmount (state, x, channel, focusIndex, coefficients, sensitivity);
    return shapeWithAmount (x, j, attackDb, sustainDb, punch, clip, mix, outputGain);
}
