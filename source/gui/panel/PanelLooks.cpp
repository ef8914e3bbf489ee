#include "gui/panel/KravellGUI.h"

#include "gui/panel/PanelFonts.h"

namespace
{
// The knob sweeps 288° clockwise from lower left (1.2π) to lower right (2.8π), measured
// clockwise from twelve o'clock; these equal the framework's default rotary angles.
constexpr float knobStartAngle = 3.7699115f;
constexpr float knobSweep = 5.0265474f;
constexpr float knobEndAngle = 8.796459f;

juce::PathStrokeType roundedStroke (float thickness)
{
    return juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded);
}
} // namespace

//==============================================================================
void KravellGUI::RotaryKnobLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPosProportional, float, float, juce::Slider&)
{
    const auto w = (float) width;
    const auto h = (float) height;

    // The inset follows the width, not the shorter side.
    const auto side = std::min (w, h);
    const auto inset = 0.08f * w;
    const auto diameter = std::max (0.0f, side - 2.0f * inset);
    const auto kx = (float) x + (w - side) * 0.5f + inset;
    const auto ky = (float) y + (h - side) * 0.5f + inset;
    const auto cx = kx + 0.5f * diameter;
    const auto cy = ky + 0.5f * diameter;

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 76));
    g.fillEllipse (kx, ky + 0.05f * diameter, diameter, diameter);

    // Body lit from the top left, then a darker cap.
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff4a4258u), kx, ky, juce::Colour (0xff121219u), kx + diameter, ky + diameter, false));
    g.fillEllipse (kx, ky, diameter, diameter);

    const auto capInset = 0.13f * diameter;
    const auto ix = kx + capInset;
    const auto iy = ky + capInset;
    const auto capDiameter = std::max (0.0f, diameter - 2.0f * capInset);
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff2a2936u), ix, iy, juce::Colour (0xff0a0b10u), ix, iy + capDiameter, false));
    g.fillEllipse (ix, iy, capDiameter, capDiameter);

    const auto radius = 0.48f * diameter;
    juce::Path track;
    track.addCentredArc (cx, cy, radius, radius, 0.0f, knobStartAngle, knobEndAngle, true);
    g.setColour (juce::Colour (0xff3a3a48u));
    g.strokePath (track, roundedStroke (0.034f * diameter));

    const auto angle = sliderPosProportional * knobSweep + knobStartAngle;
    juce::Path valueArc;
    valueArc.addCentredArc (cx, cy, radius, radius, 0.0f, knobStartAngle, angle, true);

    const auto arcColour = panel->processor.isPowerOn() ? panel->accentColour : juce::Colour (0xff5c5c68u);
    g.setColour (arcColour.withAlpha ((juce::uint8) 56));
    g.strokePath (valueArc, roundedStroke (0.075f * diameter));
    g.setColour (arcColour);
    g.strokePath (valueArc, roundedStroke (0.03f * diameter));

    // A bar of fixed width from the cap's centre up to 34 % of its diameter.
    juce::Path pointer;
    pointer.addRoundedRectangle (-1.8f, -0.34f * capDiameter, 3.6f, 0.34f * capDiameter, 1.4f, 1.4f, true, true, true, true);
    g.setColour (juce::Colour (0xffececf0u));
    g.fillPath (pointer, juce::AffineTransform::rotation (angle).translated (ix + 0.5f * capDiameter, iy + 0.5f * capDiameter));
}

//==============================================================================
void KravellGUI::ToggleButtonLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    const juce::Rectangle<float> bounds (0.5f, 0.5f, std::max (0.0f, (float) button.getWidth() - 1.0f), std::max (0.0f, (float) button.getHeight() - 1.0f));
    const auto selected = panel->processor.isPowerOn() && button.getToggleState();

    auto base = juce::Colour (0xff12141cu);
    if (selected)
        base = panel->accentColour.darker (0.3f);
    else if (shouldDrawButtonAsDown)
        base = juce::Colour (0xff2b2d34u);
    else if (shouldDrawButtonAsHighlighted)
        base = juce::Colour (0xff1f2128u);

    g.setGradientFill (juce::ColourGradient (base.brighter (0.12f), 0.5f, 0.5f, base.darker (0.15f), 0.5f, bounds.getHeight() + 0.5f, false));
    g.fillRoundedRectangle (bounds, 6.0f);

    g.setColour (selected ? panel->accentColour : juce::Colour (0x22ffffffu));
    g.drawRoundedRectangle (bounds, 6.0f, 1.0f);
}

void KravellGUI::ToggleButtonLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    const auto selected = button.getToggleState();

    g.setColour (panel->processor.isPowerOn() && selected ? panel->accentColour.brighter (0.2f) : juce::Colour (0xffc6c6d0u));

    // The selection stays readable in bold even while power is off.
    g.setFont (panelFont (std::min (std::max ((float) button.getHeight() * 0.42f, 9.5f), 18.0f), selected));
    g.drawFittedText (button.getButtonText(), juce::Rectangle<int> (4, 0, std::max (0, button.getWidth() - 8), std::max (0, button.getHeight())), juce::Justification::centred, 1, 0.0f);
}
