#include "gui/shell/DialogLookAndFeel.h"
#include "gui/shell/ButtonFace.h"

DialogLookAndFeel::DialogLookAndFeel()
{
    setColour (juce::AlertWindow::backgroundColourId, juce::Colour (0xff12161b));
    setColour (juce::AlertWindow::textColourId, juce::Colour (0xdcd2e1eb));
    setColour (juce::TextEditor::backgroundColourId, juce::Colour (0xff161c22));
    setColour (juce::TextEditor::textColourId, juce::Colour (0xffeff5ff));
    setColour (juce::TextEditor::highlightedTextColourId, juce::Colour (0xffffffff));
    setColour (juce::TextEditor::outlineColourId, juce::Colour (0xff384452));
    setColour (juce::TextEditor::focusedOutlineColourId, juce::Colour (0xff4eff24));
    setColour (juce::TextButton::buttonColourId, juce::Colour (0xff1c232b));
    setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xff26303a));
    setColour (juce::TextButton::textColourOffId, juce::Colour (0xffeff5ff));
    setColour (juce::TextButton::textColourOnId, juce::Colour (0xffeff5ff));
}

void DialogLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&, bool highlighted, bool down)
{
    drawButtonFace (g, button.getWidth(), button.getHeight(), highlighted, down);
}

juce::Font DialogLookAndFeel::getTextButtonFont (juce::TextButton&, int buttonHeight)
{
    return juce::Font (juce::FontOptions (std::min ((float) buttonHeight * 0.9f, 16.0f), juce::Font::bold));
}

juce::Font DialogLookAndFeel::getAlertWindowTitleFont() { return juce::Font (juce::FontOptions (20.0f, juce::Font::bold)); }

juce::Font DialogLookAndFeel::getAlertWindowMessageFont() { return juce::Font (juce::FontOptions (16.0f, juce::Font::plain)); }

namespace
{
// Halves away from zero (roundToInt would round 92.5 to the even 92).
int roundHalfAway (float value) { return (int) std::round (value); }
} // namespace

void DialogLookAndFeel::placeButtons (juce::AlertWindow& alert)
{
    const auto w = (float) alert.getWidth();
    const auto h = (float) alert.getHeight();
    const auto count = alert.getNumButtons();

    if (count >= 2)
    {
        const auto width = roundHalfAway (w * 0.3f);
        const auto height = roundHalfAway (h * 0.18f);
        const auto top = roundHalfAway (h * 0.72f);
        alert.getButton (0)->setBounds (roundHalfAway (w * 0.5f - w * 0.3f - w * 0.03f * 0.5f), top, width, height);
        alert.getButton (1)->setBounds (roundHalfAway (w * 0.5f + w * 0.03f * 0.5f), top, width, height);
    }
    else if (count == 1)
    {
        alert.getButton (0)->setBounds (roundHalfAway ((w - w * 0.34f) * 0.5f), roundHalfAway (h * 0.72f), roundHalfAway (w * 0.34f), roundHalfAway (h * 0.18f));
    }
}

void DialogLookAndFeel::drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>& textArea, juce::TextLayout& textLayout)
{
    // The window lays its buttons out in a row of its own; every paint puts them back here.
    placeButtons (alert);

    const auto w = (float) alert.getWidth();
    const auto h = (float) alert.getHeight();
    const juce::Rectangle<float> box (0.0f, 0.0f, w, h);
    g.setGradientFill (juce::ColourGradient::vertical (juce::Colour (0xff131415), 0.0f, juce::Colour (0xff0e0f10), h));
    g.fillRoundedRectangle (box, 5.0f);
    g.setColour (juce::Colour (0xffd2e1eb));
    g.drawRoundedRectangle (box, 5.0f, 1.0f);

    // Centred across the text area and lowered by a tenth of its height; no icon.
    const auto layoutWidth = textLayout.getWidth();
    textLayout.draw (g, { (float) textArea.getX() + ((float) textArea.getWidth() - layoutWidth) * 0.5f,
                          (float) textArea.getY() + (float) textArea.getHeight() * 0.1f,
                          layoutWidth,
                          textLayout.getHeight() });
}
