#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The dark, rounded look of the preset dialogs, with the button pair placed by proportion. */
class DialogLookAndFeel final : public juce::LookAndFeel_V4
{
public:
    DialogLookAndFeel();

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour, bool highlighted, bool down) override;
    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;

    void drawAlertBox (juce::Graphics&, juce::AlertWindow&, const juce::Rectangle<int>& textArea, juce::TextLayout&) override;
    juce::Font getAlertWindowTitleFont() override;
    juce::Font getAlertWindowMessageFont() override;

    /** Moves the first two buttons (or the only one) to their proportional places. */
    static void placeButtons (juce::AlertWindow& alert);
};
