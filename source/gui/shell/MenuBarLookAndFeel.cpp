#include "gui/shell/MenuBarLookAndFeel.h"

void MenuBarLookAndFeel::setSizesFromBarHeight (float barHeight) noexcept
{
    popupFontHeight = barHeight * 0.28f;
    sectionHeaderFontHeight = barHeight * 0.32f;
    popupItemHeight = (int) std::round (barHeight * 0.33f);
}

void MenuBarLookAndFeel::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    const juce::Rectangle<float> outer (1.0f, 1.0f, (float) std::max (width - 2, 0), (float) std::max (height - 2, 0));
    g.setGradientFill (juce::ColourGradient::vertical (juce::Colour (0xff101112), 0.0f, juce::Colour (0xff0f1011), (float) height));
    g.fillRect (outer);
    g.setColour (juce::Colour (0xff384452));
    g.drawRect (outer, 1.0f);
    g.setColour (juce::Colour (0xb44e4f51));
    g.drawRect (juce::Rectangle<float> (3.0f, 3.0f, (float) std::max (width - 6, 0), (float) std::max (height - 6, 0)), 1.0f);
}

void MenuBarLookAndFeel::drawPopupMenuItem (juce::Graphics& g,
                                            const juce::Rectangle<int>& area,
                                            bool isSeparator,
                                            bool,
                                            bool isHighlighted,
                                            bool isTicked,
                                            bool hasSubMenu,
                                            const juce::String& text,
                                            const juce::String&,
                                            const juce::Drawable*,
                                            const juce::Colour*)
{
    if (isSeparator)
    {
        const auto span = area.getWidth() - 16;
        if (span > 0)
        {
            g.setColour (juce::Colour (0xff2a333d));
            g.fillRect (area.getX() + 8, area.getY() + area.getHeight() / 2, span, 1);
        }
        return;
    }

    const juce::Rectangle<int> inner (area.getX() + 4, area.getY() + 1, std::max (area.getWidth() - 8, 0), std::max (area.getHeight() - 2, 0));
    auto captionColour = juce::Colour (0xf0e6eef2);
    if (isHighlighted)
    {
        g.setColour (juce::Colour (0x28ffffff));
        g.fillRect (inner);
        captionColour = juce::Colours::white;
    }

    // A ticked item is marked by its bold caption alone.
    g.setColour (captionColour);
    g.setFont (juce::Font (juce::FontOptions (popupFontHeight, isTicked ? juce::Font::bold : juce::Font::plain)));
    g.drawText (text, inner.getX() + 12, inner.getY(), std::max (inner.getWidth() - 24, 0), inner.getHeight(), juce::Justification::centredLeft, true);

    if (hasSubMenu)
    {
        const auto xr = (float) (inner.getRight() - 14);
        const auto cy = (float) (inner.getY() + inner.getHeight() / 2);
        juce::Path chevron;
        chevron.startNewSubPath (xr - 3.0f, cy - 4.0f);
        chevron.lineTo (xr + 1.5f, cy);
        chevron.lineTo (xr - 3.0f, cy + 4.0f);
        g.strokePath (chevron, juce::PathStrokeType (1.4f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
    }
}

void MenuBarLookAndFeel::drawPopupMenuSectionHeader (juce::Graphics& g, const juce::Rectangle<int>& area, const juce::String& sectionName)
{
    g.setColour (juce::Colours::white);
    g.setFont (juce::Font (juce::FontOptions (sectionHeaderFontHeight, juce::Font::bold)));
    g.drawText (sectionName.toUpperCase(), area.getX() + 10, area.getY(), std::max (area.getWidth() - 20, 0), std::max (area.getHeight(), 0), juce::Justification::centredLeft, true);
}

juce::Font MenuBarLookAndFeel::getPopupMenuFont() { return juce::Font (juce::FontOptions (popupFontHeight)); }

void MenuBarLookAndFeel::getIdealPopupMenuItemSize (const juce::String& text, bool isSeparator, int standardMenuItemHeight, int& idealWidth, int& idealHeight)
{
    juce::LookAndFeel_V2::getIdealPopupMenuItemSize (text, isSeparator, standardMenuItemHeight, idealWidth, idealHeight);
    idealHeight = isSeparator ? 6 : popupItemHeight;
}
