#pragma once

#include <array>

#include <juce_graphics/juce_graphics.h>

/** The settings the transient display draws from: the dB values as the parameters hold
    them, the percentages already scaled to 0..1, and the two choice indices. */
struct TransientModelSettings
{
    // Initially the parameters' defaults; dB for the gains, 0..1 for the rest.
    float attack = 5.0f, sustain = -2.5f, output = 0.0f;
    float sensitivity = 0.6f, punch = 0.3f, clip = 0.25f, mix = 1.0f;
    int focusIndex = 1, modeIndex = 1;
};

/** A drum hit synthesised for the display and what the shaper roughly makes of it: 221
    points spanning 500 ms at 48 kHz. It shows the character of the settings, not the
    engine's exact output, so it is cheap enough to recompute on every repaint. */
struct TransientModel
{
    static constexpr int numPoints = 221;

    std::array<float, numPoints> dry {};
    std::array<float, numPoints> shaped {};
    float peak = 0.0f;        // largest value of either curve, at least 0.72 and the clip ceiling
    float clipCeiling = 0.0f; // level where the clipper starts to bite, in the curves' units
};

/** Runs the display's model of the shaper for the given settings. Pure and allocation-free. */
TransientModel runTransientModel (const TransientModelSettings& settings) noexcept;

/** Where the curves are drawn inside the display's plot area. */
struct TransientPlotGeometry
{
    float x0 = 0.0f, y0 = 0.0f, width = 0.0f, height = 0.0f;
    float baseline = 0.0f;    // the curves rise from here, 83 % down the inner plot
    float curveHeight = 0.0f; // baseline minus top

    float right() const noexcept { return x0 + width; }
    juce::Rectangle<float> inner() const noexcept { return { x0, y0, width, height }; }

    static TransientPlotGeometry fromPlotArea (juce::Rectangle<float> plotArea) noexcept;
};

/** The vertical mapping of one model into one plot: the peak, with 12 % headroom, reaches
    the top of the plot. */
struct TransientPlotScale
{
    float scale = 0.0f;
    float clipY = 0.0f;
    float top = 0.0f, baseline = 0.0f;

    /** The y of a model value, held inside the plot. */
    float yFor (float value) const noexcept { return std::min (baseline, std::max (top, baseline - scale * value)); }

    static TransientPlotScale fit (const TransientPlotGeometry& geometry, const TransientModel& model) noexcept;
};
