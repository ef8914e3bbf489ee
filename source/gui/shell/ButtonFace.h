#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The one button face shared by the menu bar's buttons and the dialog buttons: a dark
    rounded rectangle that lightens on hover and more when pressed. */
inline void drawButtonFace (juce::Graphics& g, int width, int height, bool highlighted, bool down)
{
    const auto face = down ? juce::Colour (0xff3b4045) : (highlighted ? juce::Colour (0xff30363b) : juce::Colour (0xff181e24));
    const juce::Rectangle<float> area (0.5f, 0.5f, (float) std::max (width - 1, 0), (float) std::max (height - 1, 0));
    g.setColour (face);
    g.fillRoundedRectangle (area, 5.0f);
    g.setColour (juce::Colour (0xff384452));
    g.drawRoundedRectangle (area, 5.0f, 1.0f);
}
