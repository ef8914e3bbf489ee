#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The look of every pop-up menu opened from the menu bar; its sizes follow the bar height. */
class MenuBarLookAndFeel final : public juce::LookAndFeel_V4
{
public:
    float popupFontHeight = 14.0f;
    float sectionHeaderFontHeight = 13.0f;
    int popupItemHeight = 30;

    /** Derives the three sizes from the bar's height in pixels. */
    void setSizesFromBarHeight (float barHeight) noexcept;

    void drawPopupMenuBackground (juce::Graphics&, int width, int height) override;
    void drawPopupMenuItem (juce::Graphics&, const juce::Rectangle<int>& area, bool isSeparator, bool isActive, bool isHighlighted, bool isTicked, bool hasSubMenu, const juce::String& text, const juce::String& shortcutKeyText, const juce::Drawable* icon, const juce::Colour* textColour) override;
    void drawPopupMenuSectionHeader (juce::Graphics&, const juce::Rectangle<int>& area, const juce::String& sectionName) override;
    juce::Font getPopupMenuFont() override;
    void getIdealPopupMenuItemSize (const juce::String& text, bool isSeparator, int standardMenuItemHeight, int& idealWidth, int& idealHeight) override;
};
