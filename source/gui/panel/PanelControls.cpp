#include "gui/panel/KravellGUI.h"
#include "processor/ParameterLayout.h"

//==============================================================================
void KravellGUI::PowerButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    const auto bounds = juce::Rectangle<float> (1.0f, 1.0f, std::max (0.0f, (float) getWidth() - 2.0f), std::max (0.0f, (float) getHeight() - 2.0f));
    const auto w = bounds.getWidth();
    const auto h = bounds.getHeight();
    const auto on = getToggleState();

    g.setColour (juce::Colour (0xff14121cu));
    g.fillRoundedRectangle (bounds, 10.0f);

    // Its own purple rather than the panel's accent; hover and press each brighten it.
    auto colour = juce::Colour (on ? 0xffb45affu : 0xff62626cu);
    if (shouldDrawButtonAsHighlighted)
        colour = colour.brighter (0.15f);
    if (shouldDrawButtonAsDown)
        colour = colour.brighter (0.22f);

    g.setColour (colour);
    g.drawRoundedRectangle (bounds, 10.0f, 1.0f);

    // A ring open at the top (0.24π to 1.76π) and a stem through the gap.
    const auto cx = 0.5f * w + 1.0f;
    const auto cy = 0.5f * h + 1.0f;
    const auto radius = 0.22f * w;

    juce::Path symbol;
    symbol.addCentredArc (cx, cy, radius, radius, 0.0f, 0.7539822f, 5.529203f, true);
    symbol.startNewSubPath (cx, cy - radius - 0.04f * h);
    symbol.lineTo (cx, cy - 0.06f * h);

    g.setColour (on ? colour.withAlpha ((juce::uint8) 51) : juce::Colours::transparentBlack);
    g.strokePath (symbol, juce::PathStrokeType (4.8f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    g.setColour (colour);
    g.strokePath (symbol, juce::PathStrokeType (2.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

//==============================================================================
KravellGUI::EditableValueLabel::~EditableValueLabel()
{
    onValueTyped = nullptr;
}

void KravellGUI::EditableValueLabel::textWasEdited()
{
    if (onValueTyped != nullptr)
        onValueTyped (getText());
}

void KravellGUI::EditableValueLabel::editorShown (juce::TextEditor* textEditor)
{
    juce::Label::editorShown (textEditor);

    if (textEditor == nullptr)
        return;

    // Only what a number with a unit needs; no exponent, no decimal comma.
    textEditor->setJustification (juce::Justification::centred);
    textEditor->setInputRestrictions (0, "-+.0123456789dDBb% ");
    textEditor->selectAll();
}

//==============================================================================
void KravellGUI::setUpValueLabel (EditableValueLabel& label, juce::Slider& knob)
{
    label.onValueTyped = [this, &knob] (const juce::String& text) { applyTypedValue (knob, text); };

    // A single click edits; losing focus commits rather than discards.
    label.setEditable (true, true, false);
    label.setJustificationType (juce::Justification::centred);
    label.setBorderSize ({ 1, 1, 1, 1 }); // centred text: the narrow margin only matters where space is short

    label.setColour (juce::Label::backgroundColourId, juce::Colours::transparentBlack);
    label.setColour (juce::Label::backgroundWhenEditingColourId, juce::Colour (0xff16161eu));
    label.setColour (juce::Label::outlineColourId, juce::Colours::transparentBlack);
    label.setColour (juce::Label::outlineWhenEditingColourId, accentColour.withAlpha ((juce::uint8) 0xd9));
    label.setColour (juce::Label::textColourId, accentColour.brighter (0.05f));
    label.setColour (juce::Label::textWhenEditingColourId, juce::Colour (0xfff5f0ffu));
}

juce::String KravellGUI::formatValueText (const juce::String& knobName, float value)
{
    // A knob is named as its parameter's ID (any case).
    switch (parameterUnit (knobName.toLowerCase()))
    {
        case ParameterUnit::decibels:
            return (value > 0.0f ? "+" : "") + juce::String (value, 1) + " dB";
        case ParameterUnit::percent:
            return juce::String (value, 1) + "%";
        case ParameterUnit::none:
            break;
    }
    return juce::String (value, 1);
}

juce::String KravellGUI::formatValueText (const juce::Slider& knob) const
{
    return formatValueText (knob.getName(), (float) knob.getValue());
}

void KravellGUI::applyTypedValue (juce::Slider& knob, const juce::String& text)
{
    auto typed = text;

    // The unit cut is case-sensitive: "3db" keeps its letters and parses as 3.
    if (typed.contains ("dB"))
        typed = typed.upToFirstOccurrenceOf ("dB", false, false);
    if (typed.contains ("%"))
        typed = typed.upToFirstOccurrenceOf ("%", false, false);

    typed = typed.removeCharacters (" \t");

    if (typed.isNotEmpty())
    {
        const auto value = juce::jlimit (knob.getMinimum(), knob.getMaximum(), typed.getDoubleValue());
        knob.setValue (value, juce::sendNotificationSync);
    }

    refreshValueLabels();
}

void KravellGUI::refreshValueLabels()
{
    for (size_t i = 0; i < knobs.size(); ++i)
    {
        const auto text = formatValueText (knobs[i]);

        // A read-out being edited keeps what the user is typing.
        if (! valueLabels[i].isBeingEdited())
            valueLabels[i].setText (text, juce::dontSendNotification);
    }
}

void KravellGUI::updateValueLabelVisibility()
{
    const auto power = processor.isPowerOn();

    for (auto& label : valueLabels)
        label.setVisible (power);
}
