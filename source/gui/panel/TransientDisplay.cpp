#include "gui/panel/KravellGUI.h"

#include "gui/panel/PanelFonts.h"
#include "gui/panel/TransientModel.h"

namespace
{
const juce::Colour plotBackground { 0xff10121au };
const juce::Colour outerGridColour { 0x12ffffffu };
const juce::Colour innerGridColour { 0x0affffffu };
const juce::Colour baselineColour { 0x22ffffffu };
const juce::Colour dryColour { 0xfffff0cdu };
const juce::Colour clipColour { 0xffffb268u };
const juce::Colour legendTextColour { 0xffd2d2dcu };
const juce::Colour figuresColour { 0xff8c90a4u };

juce::PathStrokeType roundedStroke (float thickness)
{
    return juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded);
}

/** A one-pixel line snapped to whole pixels. */
float pixelRow (float position)
{
    return (float) (int) std::round (position);
}
} // namespace

void KravellGUI::drawTransientDisplay (juce::Graphics& g)
{
    const auto power = processor.isPowerOn();
    const auto geometry = TransientPlotGeometry::fromPlotArea (plotArea);
    const auto x0 = geometry.x0;
    const auto y0 = geometry.y0;
    const auto pw = geometry.width;
    const auto xE = geometry.right();
    const auto yb = geometry.baseline;
    const auto ch = geometry.curveHeight;

    g.setColour (juce::Colour (power ? 0x12ffffffu : 0x0affffffu));
    g.drawRoundedRectangle (plotArea, 10.0f, 1.0f);
    g.setColour (plotBackground);
    g.fillRoundedRectangle (geometry.inner(), 12.0f);

    if (! power)
        return;

    for (int i = 0; i <= 4; ++i)
    {
        const auto x = x0 + (float) i * pw * 0.25f;
        if (ch > 0.0f)
        {
            g.setColour (i == 0 || i == 4 ? outerGridColour : innerGridColour);
            g.fillRect (pixelRow (x), y0, 1.0f, ch);
        }
    }

    for (int j = 1; j <= 5; ++j)
    {
        const auto y = y0 + (float) j * ch / 6.0f;
        if (pw > 0.0f)
        {
            g.setColour (innerGridColour);
            g.fillRect (x0, pixelRow (y), pw, 1.0f);
        }
    }

    if (pw > 0.0f)
    {
        g.setColour (baselineColour);
        g.fillRect (x0, pixelRow (yb), pw, 1.0f);
    }

    TransientModelSettings settings;
    settings.attack = readRaw (displayParameters.attack);
    settings.sustain = readRaw (displayParameters.sustain);
    settings.output = readRaw (displayParameters.output);
    settings.sensitivity = readRaw (displayParameters.sensitivity) * 0.01f;
    settings.punch = readRaw (displayParameters.punch) * 0.01f;
    settings.clip = readRaw (displayParameters.clip) * 0.01f;
    settings.mix = readRaw (displayParameters.mix) * 0.01f;
    settings.focusIndex = processor.getFocusIndex();
    settings.modeIndex = processor.getModeIndex();

    const auto model = runTransientModel (settings);
    const auto mapping = TransientPlotScale::fit (geometry, model);
    const auto punchShown = juce::jlimit (0.0f, 1.0f, settings.modeIndex == 1 ? settings.punch * 1.15f : settings.punch);

    juce::Path dryPath, shapedPath, fillPath;
    dryPath.preallocateSpace (3 * (TransientModel::numPoints + 1));
    shapedPath.preallocateSpace (3 * (TransientModel::numPoints + 1));
    fillPath.preallocateSpace (3 * (TransientModel::numPoints + 3));

    for (auto* path : { &dryPath, &shapedPath, &fillPath })
        path->startNewSubPath (x0, yb);

    for (int k = 0; k < TransientModel::numPoints; ++k)
    {
        const auto px = pw * ((float) k / (float) (TransientModel::numPoints - 1)) + x0;
        const auto shapedY = mapping.yFor (model.shaped[(size_t) k]);
        dryPath.lineTo (px, mapping.yFor (model.dry[(size_t) k]));
        shapedPath.lineTo (px, shapedY);
        fillPath.lineTo (px, shapedY);
    }

    fillPath.lineTo (xE, yb);
    fillPath.closeSubPath();

    // The dry hit fades as mix rises but never vanishes.
    const auto dryStrength = juce::jlimit (0.0f, 1.0f, 1.0f - settings.mix * 0.72f);
    g.setColour (dryColour.withAlpha (0.18f * dryStrength));
    g.strokePath (dryPath, roundedStroke (5.2f));
    g.setColour (dryColour.withAlpha (0.86f * dryStrength));
    g.strokePath (dryPath, roundedStroke (1.7f));

    const auto shapedColour = accentColour.interpolatedWith (secondaryColour, 0.2f);
    const auto mixShown = juce::jlimit (0.0f, 1.0f, settings.mix);

    if (mixShown > 0.001f)
    {
        const auto fillAlpha = 0.82f * mixShown;
        g.setGradientFill (juce::ColourGradient (shapedColour.withAlpha (fillAlpha), x0, y0, secondaryColour.withAlpha (0.42f * fillAlpha), xE, yb, false));
        g.fillPath (fillPath);

        // The glow widens with punch.
        g.setColour (shapedColour.withAlpha (0.6f * mixShown * punchShown));
        g.strokePath (shapedPath, roundedStroke (2.0f + 5.0f * punchShown));
        g.setColour (shapedColour.withAlpha (0.54f * mixShown));
        g.strokePath (shapedPath, roundedStroke (2.0f));
    }

    if (settings.clip > 0.04f)
    {
        const auto colour = clipColour.withAlpha (0.24f + 0.36f * settings.clip);
        // All the dashes as one path: drawn one by one they cost more than the rest of the plot.
        const float dashes[] = { 5.0f, 5.0f };
        juce::Path line, dashed;
        line.startNewSubPath (x0, mapping.clipY);
        line.lineTo (xE, mapping.clipY);
        juce::PathStrokeType (1.2f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt).createDashedStroke (dashed, line, dashes, 2);
        g.setColour (colour);
        g.fillPath (dashed);

        g.setFont (smallBoldFont);
        g.drawText ("CLIP ONSET", juce::Rectangle<int> ((int) xE - 94, (int) mapping.clipY - 18, 88, 16), juce::Justification::right, false);
    }

    const auto legendWidth = std::max (0.0f, plotArea.getWidth() - 20.0f);
    const auto shapedLegendWidth = std::min (legendWidth, 104.0f);
    drawLegendItem (g, { plotArea.getX() + 10.0f, plotArea.getY(), shapedLegendWidth, 20.0f }, shapedColour, "SHAPED");
    drawLegendItem (g, { plotArea.getX() + 10.0f + shapedLegendWidth, plotArea.getY(), std::min (legendWidth - shapedLegendWidth, 76.0f), 20.0f }, dryColour, "DRY");

    g.setColour (figuresColour);
    g.setFont (figuresFont);
    const auto figures = "MIX " + juce::String ((double) (settings.mix * 100.0f)) + "%  CLIP " + juce::String ((double) (settings.clip * 100.0f)) + "%";
    g.drawText (figures, juce::Rectangle<int> (juce::roundToInt (xE - 194.0f), juce::roundToInt (yb + 8.0f), 184, 18), juce::Justification::right, false);

    const auto axisY = (int) yb + 30;
    g.drawText ("0 ms", juce::Rectangle<int> ((int) x0, axisY, 80, 18), juce::Justification::left, false);

    const std::pair<float, const char*> ticks[] = { { 0.25f, "125 ms" }, { 0.5f, "250 ms" }, { 0.75f, "375 ms" } };
    for (auto [fraction, text] : ticks)
        g.drawText (text, juce::Rectangle<int> ((int) x0 + (int) (fraction * pw) - 40, axisY, 80, 18), juce::Justification::centred, false);

    g.drawText ("500 ms", juce::Rectangle<int> ((int) xE - 80, axisY, 80, 18), juce::Justification::right, false);
}

void KravellGUI::drawLegendItem (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour, const juce::String& text)
{
    const auto swatchWidth = std::min (area.getWidth(), 20.0f);

    g.setColour (colour);
    g.fillRoundedRectangle (area.getX() + (swatchWidth - 16.0f) * 0.5f, area.getY() + (area.getHeight() - 4.0f) * 0.5f, 16.0f, 4.0f, 2.0f);

    g.setColour (legendTextColour);
    g.setFont (smallBoldFont);
    g.drawText (text,
                juce::Rectangle<int> (juce::roundToInt (area.getX() + swatchWidth), juce::roundToInt (area.getY()), juce::roundToInt (area.getWidth() - swatchWidth), juce::roundToInt (area.getHeight())),
                juce::Justification::centredLeft,
                false);
}

namespace
{
float meterLabelHeight (juce::Rectangle<float> area) { return juce::jlimit (18.0f, 30.0f, area.getHeight() * 0.11f); }

/** The meter's body: below its label, padded. */
juce::Rectangle<float> meterBody (juce::Rectangle<float> area)
{
    auto body = area;
    body.removeFromTop (meterLabelHeight (area));
    const auto padX = juce::jlimit (2.0f, 8.0f, area.getWidth() * 0.18f);
    const auto padY = juce::jlimit (1.0f, 6.0f, body.getHeight() * 0.02f);
    return body.reduced (padX, padY);
}

/** Where the segments lie, inside the body. */
juce::Rectangle<float> meterInner (juce::Rectangle<float> body)
{
    const auto inset = juce::jlimit (2.0f, 6.0f, std::min (body.getHeight(), body.getWidth()) * 0.11f);
    return body.reduced (inset, inset);
}

/** Segments of about 17 px, at least four and at most ten. */
int meterSegmentCount (juce::Rectangle<float> inner) { return juce::jlimit (4, 10, (int) std::floor (inner.getHeight() / 17.0f)); }

/** Segments light from the bottom up, each a little early so that a steady level does not
    flicker at a segment's edge. */
int litSegmentsOf (int count, float level)
{
    int lit = 0;
    while (lit < count && level >= (float) (lit + 1) / (float) count - 0.08f)
        ++lit;
    return lit;
}
} // namespace

int KravellGUI::litMeterSegments (juce::Rectangle<float> area, float level)
{
    return litSegmentsOf (meterSegmentCount (meterInner (meterBody (area))), level);
}

void KravellGUI::drawLevelMeter (juce::Graphics& g, juce::Rectangle<float> area, float level, const juce::String& label)
{
    const auto power = processor.isPowerOn();
    const auto labelHeight = meterLabelHeight (area);
    const auto fontHeight = juce::jlimit (13.0f, 18.0f, labelHeight * 0.62f);

    g.setColour (juce::Colour (power ? 0xffdcdce4u : 0xff868692u));
    g.setFont (smallBoldFont.withHeight (fontHeight));
    g.drawText (label,
                juce::Rectangle<int> (juce::roundToInt (area.getX()), juce::roundToInt (area.getY()), juce::roundToInt (area.getWidth()), juce::roundToInt (std::min (area.getHeight(), labelHeight))),
                juce::Justification::centred);

    const auto body = meterBody (area);

    g.setColour (juce::Colour (0xff0e0e14u));
    g.fillRoundedRectangle (body, 6.0f);
    g.setColour (juce::Colour (0x18ffffffu));
    g.drawRoundedRectangle (body, 6.0f, 1.0f);

    const auto inner = meterInner (body);

    const auto count = meterSegmentCount (inner);
    const auto lit = power ? litSegmentsOf (count, level) : 0;
    const auto gap = juce::jlimit (1.0f, 3.0f, inner.getHeight() * 0.012f);
    const auto segmentHeight = std::max ((inner.getHeight() - (float) (count - 1) * gap) / (float) count, 2.0f);
    const auto corner = juce::jlimit (1.0f, 2.5f, segmentHeight * 0.22f);

    for (int i = 0; i < count; ++i)
    {
        const auto y = inner.getBottom() - (float) (i + 1) * segmentHeight - (float) i * gap;
        auto colour = power ? juce::Colour (i <= 7 ? 0xff7c4cffu : 0xffb65cffu) : juce::Colour (0xff585866u);
        if (i >= lit)
            colour = colour.withAlpha ((juce::uint8) 51);

        g.setColour (colour);
        g.fillRoundedRectangle (inner.getX(), y, inner.getWidth(), segmentHeight, corner);
    }
}
