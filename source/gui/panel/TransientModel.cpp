#include "gui/panel/TransientModel.h"

#include "engine/Detector.h"

namespace
{
constexpr int windowLength = 24000; // 0.5 s at 48 kHz
constexpr float modelSampleRate = 48000.0f;
constexpr int pointSpacing = std::max (1, windowLength / (TransientModel::numPoints - 1));

/** How focus colours the model, since the model has no filters: the level the detector
    sees, the weight of its verdict and the weight of the body. */
struct FocusWeights
{
    float inputLevel, detector, body;
};

FocusWeights focusWeights (int focusIndex) noexcept
{
    if (focusIndex <= 0)
        return { 0.86f, 0.88f, 1.12f };
    if (focusIndex == 1)
        return { 1.0f, 1.0f, 1.0f };
    return { 1.12f, 1.14f, 0.82f };
}

float gainFromDecibels (float decibels) noexcept
{
    return decibels > -100.0f ? std::pow (10.0f, decibels * 0.05f) : 0.0f;
}
} // namespace

TransientModel runTransientModel (const TransientModelSettings& settings) noexcept
{
    const auto attackGain = gainFromDecibels (settings.attack);
    const auto sustainGain = gainFromDecibels (settings.sustain);
    const auto outputGain = gainFromDecibels (settings.output);

    const auto punch = settings.punch;
    const auto clip = settings.clip;
    const auto sensitivityFactor = 1.35f * settings.sensitivity + 0.35f;
    const auto clipDrive = 1.0f + 4.0f * clip;

    // More sustain gives the synthetic hit a longer, louder tail.
    const auto s = juce::jlimit (-1.0f, 1.0f, settings.sustain / 12.0f) + 1.0f;
    const auto rateA = (1.22f - 0.4f * s * 0.5f) * 16.0f;
    const auto rateB = (1.55f - 0.93f * s * 0.5f) * 5.2f;
    const auto bodyLevel = 0.72f + 0.25f * s;

    const auto bodyCut = 0.78f - 0.08f * punch;
    const auto saturationBlend = 0.35f + 0.35f * punch;

    const auto focus = focusWeights (settings.focusIndex);
    const auto timings = getModeTimings (settings.modeIndex);

    // The followers step once per point but use single-sample coefficients at 48 kHz; the
    // coefficients do not change along the window, so they are computed once.
    const auto fastAttack = followerCoefficient (timings.fastAttack, modelSampleRate);
    const auto fastRelease = followerCoefficient (timings.fastRelease, modelSampleRate);
    const auto slowAttack = followerCoefficient (timings.slowAttack, modelSampleRate);
    const auto slowRelease = followerCoefficient (timings.slowRelease, modelSampleRate);
    const auto clipNormaliser = std::max (std::tanh (clipDrive), 0.001f);

    TransientModel model;
    model.clipCeiling = juce::jlimit (0.08f, 1.15f, 0.92f / clipDrive);
    model.peak = std::max (0.72f, model.clipCeiling);

    float fast = 0.0f, slow = 0.0f;

    for (int k = 0; k < TransientModel::numPoints; ++k)
    {
        const auto n = k * pointSpacing;
        const auto t = (float) std::min (n, windowLength - 1) / (float) windowLength * 0.5f;

        // A click, a fast decay and a slower body.
        const auto x = 0.42f * std::exp (-rateA * t) + 1.02f * std::exp (-78.0f * t) + 0.12f * bodyLevel * std::exp (-rateB * t);
        const auto g = juce::jlimit (0.0f, 1.45f, x);

        const auto o = g * focus.inputLevel;
        fast = (fast - o) * (o > fast ? fastAttack : fastRelease) + o;
        slow = (slow - o) * (o > slow ? slowAttack : slowRelease) + o;

        const auto j = juce::jlimit (0.0f, 1.0f, std::max (fast - 0.88f * slow, 0.0f) / (fast + 0.0001f) * sensitivityFactor * timings.gain * focus.detector);
        const auto b = juce::jlimit (0.0f, 1.0f, (1.0f - bodyCut * j) * focus.body);

        const auto p = j * g;
        const auto q = 1.0f + 3.2f * punch * j;
        const auto saturated = std::tanh (q * p) / std::max (std::tanh (q), 0.001f);

        auto y = (b * sustainGain + (1.0f - b)) * (g - p) + p * attackGain + (saturated - p) * saturationBlend;

        if (clip > 0.0001f)
            y += (std::tanh (y * clipDrive) / clipNormaliser - y) * clip;

        y *= outputGain;

        model.dry[(size_t) k] = g;
        model.shaped[(size_t) k] = y;
        model.peak = std::max ({ y, g, model.peak });
    }

    return model;
}

TransientPlotGeometry TransientPlotGeometry::fromPlotArea (juce::Rectangle<float> plotArea) noexcept
{
    // Margins leave room for the legend above and the figures and time axis below.
    auto inner = plotArea.reduced (18.0f, 26.0f);
    inner.removeFromTop (12.0f);
    inner.removeFromBottom (16.0f);

    TransientPlotGeometry geometry;
    geometry.x0 = inner.getX();
    geometry.y0 = inner.getY();
    geometry.width = inner.getWidth();
    geometry.height = inner.getHeight();
    geometry.baseline = (geometry.height + geometry.y0) - 0.17f * geometry.height;
    geometry.curveHeight = geometry.baseline - geometry.y0;
    return geometry;
}

TransientPlotScale TransientPlotScale::fit (const TransientPlotGeometry& geometry, const TransientModel& model) noexcept
{
    TransientPlotScale result;
    result.top = geometry.y0;
    result.baseline = geometry.baseline;
    result.scale = geometry.curveHeight / (model.peak * 1.12f);
    result.clipY = geometry.baseline - result.scale * model.clipCeiling;
    return result;
}
