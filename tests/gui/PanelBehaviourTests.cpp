// What a user and a host see the panel do: clicks write parameters, host changes show
// within one timer tick, power hides the read-outs, and screen readers and the keyboard
// reach every control in visual order.

#include "gui/PanelTestSupport.h"

using panel_test::click;
using panel_test::PanelAt;

namespace
{
/** Counts the change gestures the processor reports to the host. */
struct GestureCounter final : public juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++begun; }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override { ++ended; }

    int begun = 0, ended = 0;
};

struct SelectorCase
{
    const char* text;
    const char* parameter;
    int index;
};

const SelectorCase selectorCases[] = {
    { "HIGH", "focus", 2 },
    { "FULL", "focus", 1 },
    { "LOW", "focus", 0 },
    { "TIGHT", "mode", 0 },
    { "PUNCH", "mode", 1 },
    { "SMOOTH", "mode", 2 },
};

juce::TextButton& selector (KravellGUI& panel, const SelectorCase& c)
{
    return juce::String (c.parameter) == "focus" ? panel.getFocusButton (c.index) : panel.getModeButton (c.index);
}

/** Which button of a selector group is shown on, or -1 for none or several. */
int shownIndex (KravellGUI& panel, const char* parameter)
{
    int shown = -1;
    for (int i = 0; i < 3; ++i)
    {
        auto& button = juce::String (parameter) == "focus" ? panel.getFocusButton (i) : panel.getModeButton (i);
        if (button.getToggleState())
            shown = shown == -1 ? i : -2;
    }
    return shown < 0 ? -1 : shown;
}

/** The handler a screen reader would be given for a control. The framework hands one out
    only for a component in a window; its factory answers the same without one. */
std::unique_ptr<juce::AccessibilityHandler> handlerFor (juce::Component& component)
{
    return component.createAccessibilityHandler();
}
} // namespace

TEST (PanelBehaviour, TimerRunsEvery33Milliseconds)
{
    PanelAt at;
    EXPECT_TRUE (at.panel.isTimerRunning());
    EXPECT_EQ (at.panel.getTimerInterval(), 33);
}

TEST (PanelBehaviour, SelectorClickWritesItsParameterAndShowsAtTheNextTick)
{
    PanelAt at;
    at.panel.timerCallback();

    for (const auto& c : selectorCases)
    {
        // Start from another value, so the click has something to change.
        setPlain (at.processor, c.parameter, (float) ((c.index + 1) % 3));
        at.panel.timerCallback();

        GestureCounter gestures;
        at.processor.addListener (&gestures);
        auto& button = selector (at.panel, c);
        ASSERT_EQ (button.getButtonText(), c.text);
        click (button);
        at.processor.removeListener (&gestures);

        EXPECT_EQ (juce::roundToInt (getPlain (at.processor, c.parameter)), c.index) << c.text;
        EXPECT_EQ (gestures.begun, 1) << c.text;
        EXPECT_EQ (gestures.ended, 1) << c.text;
        EXPECT_FALSE (button.getToggleState()) << c.text << ": a click never flips the button by itself";

        at.panel.timerCallback();
        EXPECT_EQ (shownIndex (at.panel, c.parameter), c.index) << c.text;
    }
}

TEST (PanelBehaviour, HostChangesShowWithinOneTick)
{
    PanelAt at;
    at.panel.timerCallback();
    EXPECT_EQ (shownIndex (at.panel, "mode"), 1);
    EXPECT_EQ (shownIndex (at.panel, "focus"), 1);

    setPlain (at.processor, "mode", 2.0f);
    setPlain (at.processor, "focus", 0.0f);
    setPlain (at.processor, "attack", 7.5f);

    EXPECT_DOUBLE_EQ (at.panel.getKnob (0).getValue(), 7.5); // the attachment moves the knob at once
    EXPECT_EQ (shownIndex (at.panel, "mode"), 1);            // the rest waits for the timer

    at.panel.timerCallback();
    EXPECT_EQ (shownIndex (at.panel, "mode"), 2);
    EXPECT_EQ (shownIndex (at.panel, "focus"), 0);
    EXPECT_EQ (at.panel.getValueLabel (0).getText(), "+7.5 dB");
}

TEST (PanelBehaviour, KnobsFollowAndDriveTheirOwnParameters)
{
    PanelAt at;
    const char* const parameters[] = { "attack", "sustain", "sensitivity", "punch", "clip", "mix", "output" };

    for (int i = 0; i < KravellGUI::numKnobs; ++i)
    {
        auto& knob = at.panel.getKnob (i);
        const auto& range = at.processor.parameterState.getParameter (parameters[i])->getNormalisableRange();
        EXPECT_EQ (knob.getMinimum(), range.start) << parameters[i];
        EXPECT_EQ (knob.getMaximum(), range.end) << parameters[i];
        EXPECT_NEAR (knob.getInterval(), 0.01, 1.0e-6) << parameters[i];

        knob.setValue (range.start + 0.25 * (range.end - range.start), juce::sendNotificationSync);
        EXPECT_FLOAT_EQ (getPlain (at.processor, parameters[i]), range.start + 0.25f * (range.end - range.start)) << parameters[i];
    }
}

TEST (PanelBehaviour, DoubleClickOnSustainRestoresItsDefault)
{
    PanelAt at;
    setPlain (at.processor, "sustain", 6.0f);

    auto& knob = at.panel.getKnob (1);
    ASSERT_EQ (knob.getName(), "Sustain");
    knob.mouseDoubleClick (panel_test::mouseEventAtCentre (knob, 2));

    EXPECT_FLOAT_EQ (getPlain (at.processor, "sustain"), -2.5f);
}

TEST (PanelBehaviour, PowerClickTogglesThePowerAndTheReadOuts)
{
    PanelAt at;
    auto& power = at.panel.getPowerButton();
    ASSERT_TRUE (power.getToggleState());

    for (auto expectOn : { false, true, false })
    {
        GestureCounter gestures;
        at.processor.addListener (&gestures);
        click (power);
        at.processor.removeListener (&gestures);

        EXPECT_EQ (at.processor.isPowerOn(), expectOn);
        EXPECT_EQ (power.getToggleState(), expectOn);
        EXPECT_EQ (gestures.begun, 1);
        EXPECT_EQ (gestures.ended, 1);

        at.panel.timerCallback();
        for (int i = 0; i < KravellGUI::numKnobs; ++i)
            EXPECT_EQ (at.panel.getValueLabel (i).isVisible(), expectOn) << i;
    }

    setPlain (at.processor, "power", 1.0f); // from the host
    EXPECT_TRUE (power.getToggleState());
}

TEST (PanelBehaviour, SetParameterPlainSnapsAndIgnoresUnknownIds)
{
    PanelAt at;

    at.panel.setParameterPlain ("mode", 1.6f);
    EXPECT_EQ (at.processor.getModeIndex(), 2);

    at.panel.setParameterPlain ("punch", 250.0f);
    EXPECT_FLOAT_EQ (getPlain (at.processor, "punch"), 100.0f);

    at.panel.setParameterPlain ("volume", 3.0f);
    EXPECT_FLOAT_EQ (getPlain (at.processor, "punch"), 100.0f);
}

//==============================================================================
TEST (PanelAccessibility, ControlsHaveTitlesValuesAndStates)
{
    PanelAt at;
    at.panel.timerCallback();

    struct KnobCase
    {
        int index;
        const char* title;
        const char* value;
    };

    for (auto c : { KnobCase { 0, "Attack", "+5.0 dB" }, KnobCase { 2, "Sensitivity", "60.0%" }, KnobCase { 6, "Output", "0.0 dB" } })
    {
        const auto handler = handlerFor (at.panel.getKnob (c.index));
        EXPECT_EQ (handler->getRole(), juce::AccessibilityRole::slider);
        EXPECT_EQ (handler->getTitle(), c.title);
        ASSERT_NE (handler->getValueInterface(), nullptr);
        EXPECT_EQ (handler->getValueInterface()->getCurrentValueAsString(), c.value);
    }

    // A value set through the screen reader reaches the parameter.
    handlerFor (at.panel.getKnob (0))->getValueInterface()->setValueAsString ("-3 dB");
    EXPECT_FLOAT_EQ (getPlain (at.processor, "attack"), -3.0f);

    struct ButtonCase
    {
        juce::Button* button;
        const char* title;
        bool checked;
    };

    for (auto c : { ButtonCase { &at.panel.getModeButton (1), "Mode Punch", true },
                    ButtonCase { &at.panel.getModeButton (2), "Mode Smooth", false },
                    ButtonCase { &at.panel.getFocusButton (0), "Focus Low", false },
                    ButtonCase { &at.panel.getPowerButton(), "Power", true } })
    {
        const auto handler = handlerFor (*c.button);
        EXPECT_EQ (handler->getTitle(), c.title);
        EXPECT_TRUE (handler->getCurrentState().isCheckable()) << c.title;
        EXPECT_EQ (handler->getCurrentState().isChecked(), c.checked) << c.title;
    }

    // The screen reader's toggle on a selector writes its parameter like a click.
    handlerFor (at.panel.getModeButton (2))->getActions().invoke (juce::AccessibilityActionType::toggle);
    EXPECT_EQ (at.processor.getModeIndex(), 2);

    handlerFor (at.panel.getPowerButton())->getActions().invoke (juce::AccessibilityActionType::toggle);
    EXPECT_FALSE (at.processor.isPowerOn());
}

TEST (PanelAccessibility, KeyboardFocusFollowsTheVisualOrder)
{
    PanelAt at;

    std::vector<juce::Component*> expected { &at.panel.getPowerButton() };
    for (int i = 0; i < KravellGUI::numKnobs; ++i)
    {
        expected.push_back (&at.panel.getKnob (i));
        expected.push_back (&at.panel.getValueLabel (i));
    }
    for (auto* button : { &at.panel.getFocusButton (2), &at.panel.getFocusButton (1), &at.panel.getFocusButton (0), &at.panel.getModeButton (0), &at.panel.getModeButton (1), &at.panel.getModeButton (2) })
        expected.push_back (button);

    EXPECT_EQ (at.panel.createKeyboardFocusTraverser()->getAllComponents (&at.panel), expected);

    // Hidden read-outs drop out of the order while power is off.
    setPlain (at.processor, "power", 0.0f);
    at.panel.timerCallback();
    EXPECT_EQ (at.panel.createKeyboardFocusTraverser()->getAllComponents (&at.panel).size(), expected.size() - KravellGUI::numKnobs);
}
