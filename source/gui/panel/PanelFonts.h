#pragma once

#include <juce_graphics/juce_graphics.h>

/** The panel's one font family: the default typeface at a height in pixels, plain or bold. */
inline juce::Font panelFont (float height, bool bold)
{
    return juce::Font (juce::FontOptions (height, bold ? juce::Font::bold : juce::Font::plain));
}
