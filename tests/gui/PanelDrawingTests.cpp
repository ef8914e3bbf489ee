// The panel's look, read from pixels of software renderings: selector keys, knob arcs, the
// power button, the meters, the transient display, and the whole panel with power on and
// off. Also writes the review pictures into the build folder.

#include "gui/PanelTestSupport.h"
#include "gui/panel/TransientModel.h"

using panel_test::colourNear;
using panel_test::over;
using panel_test::PanelAt;
using panel_test::render;

namespace
{
const juce::Colour accent { 0xff9650ffu };

void setPower (PanelAt& at, bool on)
{
    setPlain (at.processor, "power", on ? 1.0f : 0.0f);
    at.panel.timerCallback();
}

/** The centre of the attack knob's track at twelve o'clock (on the value arc at the default
    +5 dB) and at three o'clock (past the value, so bare track), in panel coordinates. */
struct KnobProbe
{
    juce::Point<int> onValueArc, onBareTrack;
};

KnobProbe attackKnobProbe (KravellGUI& panel)
{
    const auto bounds = panel.getKnob (0).getBounds().toFloat();
    const auto inset = 0.08f * bounds.getWidth();
    const auto diameter = bounds.getWidth() - 2.0f * inset;
    const auto centre = bounds.getCentre();
    const auto radius = 0.48f * diameter;
    return { juce::Point<float> (centre.x, centre.y - radius).toInt(), juce::Point<float> (centre.x + radius - 0.5f, centre.y).toInt() };
}

/** Meter geometry at 1256 × 710: nine segments of 15.76 px with 1.88 px gaps above a bottom
    at y = 584.11, centred at x = 1043.09 in the IN meter. */
juce::Point<int> meterSegmentCentre (int segment)
{
    const auto y = 584.11f - (float) (segment + 1) * 15.76f - (float) segment * 1.88f + 7.88f;
    return { 1043, (int) y };
}

/** How many separate lit bands a vertical line through the meter crosses. */
int countLitBands (const juce::Image& image, int x, int top, int bottom)
{
    int bands = 0;
    bool inBand = false;
    for (int y = top; y < bottom; ++y)
    {
        const auto lit = image.getPixelAt (x, y).getBlue() > 160;
        if (lit && ! inBand)
            ++bands;
        inBand = lit;
    }
    return bands;
}
} // namespace

//==============================================================================
struct SelectorCase
{
    const char* name;
    bool toggled, power, highlighted, down;
    juce::uint32 top, bottom;
    bool accentOutline;
};

class SelectorKey : public ::testing::TestWithParam<SelectorCase>
{
};

TEST_P (SelectorKey, BackgroundFollowsStateAndPower)
{
    const auto& c = GetParam();
    PanelAt at;
    setPlain (at.processor, "power", c.power ? 1.0f : 0.0f);

    auto& button = at.panel.getModeButton (1);
    button.setToggleState (c.toggled, juce::dontSendNotification);

    juce::Image image (juce::Image::ARGB, button.getWidth(), button.getHeight(), true, juce::SoftwareImageType());
    {
        juce::Graphics g (image);
        button.getLookAndFeel().drawButtonBackground (g, button, juce::Colours::red, c.highlighted, c.down);
    }

    // The gradient runs from y = 0.5 to y = height - 0.5; sample at a quarter and three
    // quarters, clear of the rounded corners and of the text.
    const auto h = (float) button.getHeight();
    for (auto fraction : { 0.25f, 0.75f })
    {
        const auto y = (int) (fraction * (h - 1.0f));
        const auto expected = juce::Colour (c.top).interpolatedWith (juce::Colour (c.bottom), ((float) y + 0.5f - 0.5f) / (h - 1.0f));
        EXPECT_TRUE (colourNear (image.getPixelAt (10, y), expected, 3)) << c.name << " at y " << y;
    }

    const auto outline = image.getPixelAt (button.getWidth() / 2, 0);
    EXPECT_EQ (colourNear (outline, accent, 2), c.accentOutline) << c.name;
}

INSTANTIATE_TEST_SUITE_P (PanelDrawing,
                          SelectorKey,
                          ::testing::Values (SelectorCase { "selected", true, true, false, false, 0xff8251ca, 0xff6435aa, true },
                                             SelectorCase { "selected under the mouse", true, true, true, true, 0xff8251ca, 0xff6435aa, true },
                                             SelectorCase { "pressed", false, true, true, true, 0xff414349, 0xff25272d, false },
                                             SelectorCase { "mouse over", false, true, true, false, 0xff37383f, 0xff1a1c22, false },
                                             SelectorCase { "idle", false, true, false, false, 0xff2b2d34, 0xff0f1118, false },
                                             SelectorCase { "selected, power off", true, false, false, false, 0xff2b2d34, 0xff0f1118, false },
                                             SelectorCase { "selected, power off, pressed", true, false, true, true, 0xff414349, 0xff25272d, false }),
                          [] (const auto& testInfo) { return juce::String (testInfo.param.name).retainCharacters ("abcdefghijklmnopqrstuvwxyz").toStdString(); });

//==============================================================================
TEST (PanelDrawing, KnobValueArcIsAccentWithPowerOnAndGreyWithPowerOff)
{
    PanelAt at;
    const auto probe = attackKnobProbe (at.panel);

    struct Case
    {
        bool power;
        juce::Colour arc;
    };

    for (auto c : { Case { true, accent }, Case { false, juce::Colour (0xff5c5c68u) } })
    {
        setPower (at, c.power);
        const auto image = render (at.panel);
        EXPECT_TRUE (colourNear (image.getPixelAt (probe.onValueArc.x, probe.onValueArc.y), c.arc, 3)) << c.power;
        EXPECT_TRUE (colourNear (image.getPixelAt (probe.onBareTrack.x, probe.onBareTrack.y), juce::Colour (0xff3a3a48u), 3)) << c.power;
    }
}

TEST (PanelDrawing, KnobAtEitherEndOfItsRange)
{
    PanelAt at;
    const auto probe = attackKnobProbe (at.panel);

    // At the minimum only the rounded end of a zero-length arc at 216° is lit; at the
    // maximum the value arc covers the whole track, three o'clock included.
    const std::pair<float, juce::Colour> cases[] = { { -12.0f, juce::Colour (0xff3a3a48u) }, { 12.0f, accent } };
    for (auto [value, colourAtTop] : cases)
    {
        setPlain (at.processor, "attack", value);
        const auto image = render (at.panel);
        EXPECT_TRUE (colourNear (image.getPixelAt (probe.onValueArc.x, probe.onValueArc.y), colourAtTop, 3)) << value;
        EXPECT_TRUE (colourNear (image.getPixelAt (probe.onBareTrack.x, probe.onBareTrack.y), colourAtTop, 3)) << value;
    }
}

//==============================================================================
TEST (PanelDrawing, PowerButtonColours)
{
    struct Case
    {
        bool on;
        juce::Button::ButtonState state;
        juce::uint32 colour;
    };

    const Case cases[] = {
        { true, juce::Button::buttonNormal, 0xffb45aff },
        { true, juce::Button::buttonOver, 0xffbd6fff },
        { true, juce::Button::buttonDown, 0xffc888ff }, // a pressed button is also under the mouse
        { false, juce::Button::buttonNormal, 0xff62626c },
        { false, juce::Button::buttonOver, 0xff76767f },
        { false, juce::Button::buttonDown, 0xff8e8e96 },
    };

    for (const auto& c : cases)
    {
        KravellGUI::PowerButton button;
        button.setSize (50, 50);
        button.setToggleState (c.on, juce::dontSendNotification);
        button.setState (c.state);
        const auto image = render (button);

        // The ring's lowest point, (25, 25 + 10.56), is covered by the 2 px line.
        EXPECT_TRUE (colourNear (image.getPixelAt (25, 35), juce::Colour (c.colour), 2)) << c.on << " " << (int) c.state;
        // The top of the ring is open: only the stem, from y = 12.52 to 22.12, crosses the centre line.
        EXPECT_TRUE (colourNear (image.getPixelAt (25, 17), juce::Colour (c.colour), 2)) << c.on << " " << (int) c.state;
        EXPECT_TRUE (colourNear (image.getPixelAt (25, 27), juce::Colour (0xff14121cu), 2)) << c.on << " " << (int) c.state;
    }
}

//==============================================================================
TEST (PanelDrawing, MeterSegmentsLightWithTheLevel)
{
    PanelAt at;
    const auto area = at.panel.getInputMeterArea();
    const juce::Colour body { 0xff0e0e14u };

    struct Case
    {
        bool power;
        float level;
        int lit;
    };

    const Case cases[] = { { true, 0.5f, 5 }, { true, 1.0f, 9 }, { true, 0.02f, 0 }, { true, 0.0f, 0 }, { false, 1.0f, 0 } };

    for (const auto& c : cases)
    {
        setPlain (at.processor, "power", c.power ? 1.0f : 0.0f);
        juce::Image image (juce::Image::ARGB, at.panel.getWidth(), at.panel.getHeight(), true, juce::SoftwareImageType());
        {
            juce::Graphics g (image);
            at.panel.drawLevelMeter (g, area, c.level, "IN");
        }

        for (int i = 0; i < 9; ++i)
        {
            auto colour = c.power ? juce::Colour (i < 8 ? 0xff7c4cffu : 0xffb65cffu) : juce::Colour (0xff585866u);
            if (i >= c.lit)
                colour = over (body, colour.withAlpha ((juce::uint8) 51));

            const auto centre = meterSegmentCentre (i);
            EXPECT_TRUE (colourNear (image.getPixelAt (centre.x, centre.y), colour, 2)) << "level " << c.level << ", segment " << i;
        }
    }
}

TEST (PanelDrawing, MeterKeepsFourSegmentsWhenLow)
{
    PanelAt at;
    const juce::Rectangle<float> lowArea { 10.0f, 10.0f, 40.0f, 50.0f }; // room for 1.4 segments of 17 px
    juce::Image image (juce::Image::ARGB, 60, 70, true, juce::SoftwareImageType());
    {
        juce::Graphics g (image);
        g.fillAll (juce::Colours::black);
        at.panel.drawLevelMeter (g, lowArea, 1.0f, "IN");
    }
    EXPECT_EQ (countLitBands (image, 30, 28, 60), 4);
}

//==============================================================================
TEST (PanelDrawing, ClipOnsetLineOnlyAboveFourPercent)
{
    PanelAt at;
    setPlain (at.processor, "mix", 0.0f); // no shaped fill, so the line crosses plain background

    const auto geometry = TransientPlotGeometry::fromPlotArea (at.panel.getPlotArea());

    const std::pair<float, bool> cases[] = { { 0.0f, false }, { 4.0f, false }, { 5.0f, true }, { 100.0f, true } };
    for (auto [clip, expectLine] : cases)
    {
        setPlain (at.processor, "clip", clip);

        TransientModelSettings settings;
        settings.attack = 5.0f;
        settings.sustain = -2.5f;
        settings.sensitivity = 0.6f;
        settings.punch = 0.3f;
        settings.clip = clip * 0.01f;
        const auto clipY = TransientPlotScale::fit (geometry, runTransientModel (settings)).clipY;

        // Orange-leaning pixels on the line's rows, left of the label.
        const auto image = render (at.panel);
        int orange = 0;
        for (int y = (int) clipY - 1; y <= (int) clipY + 1; ++y)
            for (int x = (int) geometry.x0 + 4; x < (int) geometry.right() - 100; ++x)
            {
                const auto p = image.getPixelAt (x, y);
                orange += (p.getRed() > p.getBlue() + 25 && p.getRed() > p.getGreen() + 10) ? 1 : 0;
            }

        if (expectLine)
            EXPECT_GT (orange, 200) << clip;
        else
            EXPECT_LT (orange, 20) << clip;
    }
}

TEST (PanelDrawing, MixAtZeroDrawsNoShapedCurve)
{
    PanelAt at;
    const auto inner = TransientPlotGeometry::fromPlotArea (at.panel.getPlotArea()).inner().toNearestInt().reduced (2);

    EXPECT_GT (panel_test::maximumAccentLean (render (at.panel), inner), 100);

    setPlain (at.processor, "mix", 0.0f);
    EXPECT_LT (panel_test::maximumAccentLean (render (at.panel), inner), 40); // the grey-blue figures lean 22
}

// Power off: no accent anywhere, read-outs hidden, the display's plot empty, meters dim.
TEST (PanelDrawing, PowerOffTurnsThePanelGrey)
{
    PanelAt at;
    at.panel.timerCallback(); // a selector is shown on, so its accent would show if it leaked

    EXPECT_GT (panel_test::maximumAccentLean (render (at.panel), at.panel.getLocalBounds()), 100);

    setPower (at, false);
    const auto image = render (at.panel);
    EXPECT_LT (panel_test::maximumAccentLean (image, at.panel.getLocalBounds()), 20);

    for (int i = 0; i < KravellGUI::numKnobs; ++i)
        EXPECT_FALSE (at.panel.getValueLabel (i).isVisible()) << i;

    const auto plot = TransientPlotGeometry::fromPlotArea (at.panel.getPlotArea()).inner().toNearestInt().reduced (12);
    int differing = 0;
    for (int y = plot.getY(); y < plot.getBottom(); ++y)
        for (int x = plot.getX(); x < plot.getRight(); ++x)
            differing += image.getPixelAt (x, y) != juce::Colour (0xff10121au) ? 1 : 0;
    EXPECT_EQ (differing, 0);

    const auto dim = over (juce::Colour (0xff0e0e14u), juce::Colour (0xff585866u).withAlpha ((juce::uint8) 51));
    for (int i = 0; i < 9; ++i)
        EXPECT_TRUE (colourNear (image.getPixelAt (meterSegmentCentre (i).x, meterSegmentCentre (i).y), dim, 2)) << i;
}

//==============================================================================
// Pictures for review, in <build>/tests/gui-snapshots.
TEST (PanelDrawing, WritesReviewPictures)
{
    const auto folder = panel_test::snapshotFolder();
    ASSERT_TRUE (folder.createDirectory());

    struct Picture
    {
        const char* file;
        int width, height;
        bool power;
    };

    for (auto picture : { Picture { "panel-1256x710-power-on.png", 1256, 710, true },
                          Picture { "panel-1256x710-power-off.png", 1256, 710, false },
                          Picture { "panel-500x283-power-on.png", 500, 283, true } })
    {
        PanelAt at (picture.width, picture.height);
        setPower (at, picture.power);

        const auto file = folder.getChildFile (picture.file);
        file.deleteFile();
        {
            juce::FileOutputStream stream (file);
            ASSERT_TRUE (stream.openedOk());
            ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (render (at.panel), stream));
        }

        const auto readBack = juce::ImageFileFormat::loadFrom (file);
        EXPECT_EQ (readBack.getWidth(), picture.width) << picture.file;
        EXPECT_EQ (readBack.getHeight(), picture.height) << picture.file;
    }
}
