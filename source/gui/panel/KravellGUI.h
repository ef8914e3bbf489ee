#pragma once

#include <array>
#include <functional>

#include "processor/PluginProcessor.h"

/** The editor's main control surface: title, seven knobs with typed read-outs, the FOCUS and
    MODE selectors, the power button, the transient display and the IN and OUT meters.

    A thin view over the processor's parameters: knobs and power are attached to their
    parameters, the selectors write theirs when clicked, and a 33 ms timer pulls the state
    back into the controls and repaints what that changed, and nothing when nothing did.
    Every position is a fraction of the panel's size. */
class KravellGUI final : public juce::Component,
                         public juce::Timer
{
public:
    static constexpr int numKnobs = 7;

    explicit KravellGUI (KravellAudioProcessor&);
    ~KravellGUI() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void timerCallback() override;

    /** Sets a parameter by its plain value, snapped to its range, as one complete gesture.
        Does nothing when there is no such parameter. */
    void setParameterPlain (const juce::String& parameterID, float plainValue);

    //==============================================================================
    /** Draws the seven knobs: a shaded disc with a track, a glowing value arc and a pointer. */
    class RotaryKnobLookAndFeel final : public juce::LookAndFeel_V4
    {
    public:
        explicit RotaryKnobLookAndFeel (KravellGUI& owner) : panel (&owner) {}

        void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPosProportional, float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;

    private:
        KravellGUI* panel;
    };

    /** Draws the six selector buttons as dark keys that light up in the accent colour. */
    class ToggleButtonLookAndFeel final : public juce::LookAndFeel_V4
    {
    public:
        explicit ToggleButtonLookAndFeel (KravellGUI& owner) : panel (&owner) {}

        void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
        void drawButtonText (juce::Graphics&, juce::TextButton&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    private:
        KravellGUI* panel;
    };

    /** The engage switch: a dark key with a power symbol that glows purple while on. */
    class PowerButton final : public juce::Button
    {
    public:
        PowerButton() : juce::Button ("Power") {}

        void paintButton (juce::Graphics&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
    };

    /** A knob's value read-out, which opens a text editor on a click so a value can be typed. */
    class EditableValueLabel final : public juce::Label
    {
    public:
        EditableValueLabel() : juce::Label ({}, {}) {}
        ~EditableValueLabel() override;

        /** Called with the text after the user has committed a changed edit. */
        std::function<void (const juce::String&)> onValueTyped;

    protected:
        void textWasEdited() override;
        void editorShown (juce::TextEditor*) override;
    };

    //==============================================================================
    /** The read-out text for a knob: its unit is chosen by the knob's lower-cased name. */
    juce::String formatValueText (const juce::Slider& knob) const;
    static juce::String formatValueText (const juce::String& knobName, float value);

    /** Parses typed text (units and spaces allowed), clamps it to the knob's range and sets it. */
    void applyTypedValue (juce::Slider& knob, const juce::String& text);

    /** Shows each knob's value in its read-out, except in one being edited. */
    void refreshValueLabels();

    /** The read-outs are shown exactly while power is on. */
    void updateValueLabelVisibility();

    //==============================================================================
    void drawTransientDisplay (juce::Graphics&);
    void drawLevelMeter (juce::Graphics&, juce::Rectangle<float> area, float level, const juce::String& label);

    /** How many of a meter's segments a level lights in the given meter area (power on). */
    static int litMeterSegments (juce::Rectangle<float> area, float level);

    /** With true, every tick repaints the whole panel, as the simplest panel would: for
        measuring what redrawing only the changes saves. */
    void setRepaintingWholePanelEachTick (bool shouldRepaintWholePanel) noexcept { repaintWholePanelEachTick = shouldRepaintWholePanel; }
    void drawLegendItem (juce::Graphics&, juce::Rectangle<float> area, juce::Colour colour, const juce::String& text);

    //==============================================================================
    juce::Slider& getKnob (int index) { return knobs[(size_t) index]; }
    EditableValueLabel& getValueLabel (int index) { return valueLabels[(size_t) index]; }
    juce::TextButton& getFocusButton (int focusIndex);
    juce::TextButton& getModeButton (int modeIndex);
    PowerButton& getPowerButton() noexcept { return powerButton; }

    juce::Colour getAccentColour() const noexcept { return accentColour; }
    juce::Colour getSecondaryColour() const noexcept { return secondaryColour; }

    juce::Rectangle<float> getHeaderArea() const noexcept { return headerArea; }
    juce::Rectangle<float> getLeftColumn() const noexcept { return leftColumn; }
    juce::Rectangle<float> getDisplayFrame() const noexcept { return displayFrame; }
    juce::Rectangle<float> getKnobStrip() const noexcept { return knobStrip; }
    juce::Rectangle<float> getRightColumn() const noexcept { return rightColumn; }
    juce::Rectangle<float> getPlotArea() const noexcept { return plotArea; }
    juce::Rectangle<float> getKnobCell (int index) const noexcept { return knobCells[(size_t) index]; }
    juce::Rectangle<float> getFocusCaptionArea() const noexcept { return focusCaptionArea; }
    juce::Rectangle<float> getModeCaptionArea() const noexcept { return modeCaptionArea; }
    juce::Rectangle<float> getInputMeterArea() const noexcept { return inputMeterArea; }
    juce::Rectangle<float> getOutputMeterArea() const noexcept { return outputMeterArea; }

private:
    void setUpKnob (juce::Slider& knob, const juce::String& name);
    void setUpValueLabel (EditableValueLabel& label, juce::Slider& knob);
    void setUpAccessibility();
    void layoutSelectorGroup (juce::Rectangle<float> group, juce::Rectangle<float>& captionArea, juce::Button& top, juce::Button& middle, juce::Button& bottom);
    void drawHeader (juce::Graphics&);
    void drawCaptions (juce::Graphics&);

    /** A parameter's plain value through its atomic, 0 when the parameter is missing. */
    float readRaw (const std::atomic<float>* value) const noexcept { return value != nullptr ? value->load() : 0.0f; }

    KravellAudioProcessor& processor;
    RotaryKnobLookAndFeel knobLookAndFeel { *this };
    ToggleButtonLookAndFeel selectorLookAndFeel { *this };

    std::array<juce::Slider, numKnobs> knobs;
    std::array<EditableValueLabel, numKnobs> valueLabels;

    juce::TextButton focusLowButton, focusFullButton, focusHighButton;
    juce::TextButton modeTightButton, modePunchButton, modeSmoothButton;
    PowerButton powerButton;

    std::array<std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment>, numKnobs> knobAttachments;
    std::unique_ptr<juce::AudioProcessorValueTreeState::ButtonAttachment> powerAttachment;

    juce::Rectangle<float> headerArea, leftColumn, displayFrame, knobStrip, rightColumn, plotArea;
    std::array<juce::Rectangle<float>, numKnobs> knobCells;
    juce::Rectangle<float> focusCaptionArea, modeCaptionArea, inputMeterArea, outputMeterArea;

    juce::Colour accentColour, secondaryColour;

    // The display's and meters' fonts, made once: a font made afresh looks its typeface up
    // at every use, which was a large part of redrawing the display.
    juce::Font smallBoldFont, figuresFont;

    // The display's inputs, looked up once so a repaint does no search by name.
    struct DisplayParameters
    {
        const std::atomic<float>* attack = nullptr;
        const std::atomic<float>* sustain = nullptr;
        const std::atomic<float>* output = nullptr;
        const std::atomic<float>* sensitivity = nullptr;
        const std::atomic<float>* punch = nullptr;
        const std::atomic<float>* clip = nullptr;
        const std::atomic<float>* mix = nullptr;
    } displayParameters;

    /** What the panel's own painting shows that can change between ticks. The meters are
        painted from the levels taken at the tick, so a repaint of any part shows the same as
        a repaint of the whole would. */
    struct ShownState
    {
        bool power = false;
        int focus = 0, mode = 0;
        std::array<float, 7> display {};
        float inputLevel = 0.0f, outputLevel = 0.0f;
        int inputLit = 0, outputLit = 0;
    };

    ShownState readShownState() const;
    void repaintWhatChanged (const ShownState& now);
    void repaintArea (juce::Rectangle<float> area);

    ShownState shown;
    bool anythingShown = false, repaintWholePanelEachTick = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KravellGUI)
};
