// The transient display's model of the shaper, as a pure function, and its mapping into the
// plot of a 1256 × 710 panel.

#include <gtest/gtest.h>

#include "gui/panel/TransientModel.h"

namespace
{
/** Every parameter at its default: attack +5 dB, sustain -2.5 dB, output 0 dB, sensitivity
    60 %, punch 30 %, clip 25 %, mix 100 %, focus Full, mode Punch. */
TransientModelSettings defaults() { return {}; }

const juce::Rectangle<float> plotAreaAt1256x710 { 241.26f, 116.95f, 700.39f, 348.99f };
} // namespace

TEST (TransientModel, DefaultsGiveTheReferenceHit)
{
    const auto model = runTransientModel (defaults());

    EXPECT_FLOAT_EQ (model.dry[0], 1.45f); // the synthetic hit is held at 1.45
    EXPECT_NEAR (model.shaped[0], 2.051f, 0.0005f);
    EXPECT_NEAR (model.peak, 2.051f, 0.0005f);
    EXPECT_FLOAT_EQ (model.clipCeiling, 0.46f);

    // The hit decays: the last point is far below the first, and nothing exceeds the peak.
    EXPECT_LT (model.dry.back(), 0.2f * model.dry.front());
    for (size_t k = 0; k < model.dry.size(); ++k)
    {
        EXPECT_LE (model.dry[k], model.peak);
        EXPECT_LE (model.shaped[k], model.peak);
    }
}

TEST (TransientModel, GeometryAndScaleAtTheExampleSize)
{
    const auto geometry = TransientPlotGeometry::fromPlotArea (plotAreaAt1256x710);
    EXPECT_NEAR (geometry.x0, 259.26f, 0.005f);
    EXPECT_NEAR (geometry.y0, 154.95f, 0.005f);
    EXPECT_NEAR (geometry.width, 664.39f, 0.005f);
    EXPECT_NEAR (geometry.height, 268.99f, 0.005f);
    EXPECT_NEAR (geometry.baseline, 378.21f, 0.005f);
    EXPECT_NEAR (geometry.curveHeight, 223.26f, 0.005f);

    const auto model = runTransientModel (defaults());
    const auto mapping = TransientPlotScale::fit (geometry, model);
    EXPECT_NEAR (mapping.scale, 97.19f, 0.005f);
    EXPECT_NEAR (mapping.clipY, 333.50f, 0.005f);
    EXPECT_NEAR (mapping.yFor (model.shaped[0]), 178.87f, 0.005f);
    EXPECT_NEAR (mapping.yFor (model.dry[0]), 237.29f, 0.006f);

    // Values beyond the plot stay inside it.
    EXPECT_FLOAT_EQ (mapping.yFor (100.0f), geometry.y0);
    EXPECT_FLOAT_EQ (mapping.yFor (-1.0f), geometry.baseline);
}

TEST (TransientModel, ClipCeilingFollowsTheDrive)
{
    const std::pair<float, float> clipToCeiling[] = { { 0.0f, 0.92f }, { 0.25f, 0.46f }, { 1.0f, 0.184f } };
    for (auto [clip, ceiling] : clipToCeiling)
    {
        auto settings = defaults();
        settings.clip = clip;
        const auto model = runTransientModel (settings);
        EXPECT_FLOAT_EQ (model.clipCeiling, ceiling) << clip;
        EXPECT_GE (model.peak, std::max (0.72f, ceiling)) << clip;
    }
}

// Each knob moves the shaped curve the way its name says; the dry hit depends on sustain alone.
TEST (TransientModel, EachControlMovesTheShapedCurve)
{
    const auto reference = runTransientModel (defaults());
    constexpr size_t onset = 0;
    constexpr size_t tail = 200; // about 450 ms in, where only the body is left

    struct Case
    {
        const char* name;
        void (*change) (TransientModelSettings&);
        int onsetDirection, tailDirection; // -1 lower, 0 unchanged, +1 higher
        bool dryChanges;
    };

    const Case cases[] = {
        { "more attack", [] (TransientModelSettings& s) { s.attack = 12.0f; }, +1, 0, false },
        { "more sustain", [] (TransientModelSettings& s) { s.sustain = 12.0f; }, 0, +1, true },
        { "less output", [] (TransientModelSettings& s) { s.output = -12.0f; }, -1, -1, false },
        { "more clip", [] (TransientModelSettings& s) { s.clip = 1.0f; }, -1, 0, false },
        { "mix", [] (TransientModelSettings& s) { s.mix = 0.0f; }, 0, 0, false },
    };

    for (const auto& c : cases)
    {
        auto settings = defaults();
        c.change (settings);
        const auto model = runTransientModel (settings);

        const auto direction = [] (float changed, float before)
        {
            return std::abs (changed - before) < 1.0e-4f ? 0 : (changed > before ? 1 : -1);
        };

        EXPECT_EQ (direction (model.shaped[onset], reference.shaped[onset]), c.onsetDirection) << c.name;
        if (c.tailDirection != 0)
        {
            EXPECT_EQ (direction (model.shaped[tail], reference.shaped[tail]), c.tailDirection) << c.name;
        }
        EXPECT_EQ (model.dry != reference.dry, c.dryChanges) << c.name;
    }
}

TEST (TransientModel, SilentOutputAndIndicesOutOfRange)
{
    auto silent = defaults();
    silent.output = -100.0f;
    for (auto y : runTransientModel (silent).shaped)
        EXPECT_EQ (y, 0.0f);

    // Indices below the range act as the first choice, above it as the last.
    const std::pair<int, int> equivalent[] = { { -3, 0 }, { 7, 2 } };
    for (auto [outside, inside] : equivalent)
    {
        auto a = defaults();
        auto b = defaults();
        a.modeIndex = a.focusIndex = outside;
        b.modeIndex = b.focusIndex = inside;
        EXPECT_EQ (runTransientModel (a).shaped, runTransientModel (b).shaped) << outside;
    }

    // The modes differ where the transient amount is not saturated, so the table is consulted.
    auto punch = defaults();
    punch.sensitivity = 0.0f;
    auto tight = punch;
    tight.modeIndex = 0;
    EXPECT_NE (runTransientModel (tight).shaped, runTransientModel (punch).shaped);
}
