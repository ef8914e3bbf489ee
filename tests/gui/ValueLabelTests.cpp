// The knobs' value read-outs: their text, and values typed into them through the label's
// own editor, as a user would.

#include "gui/PanelTestSupport.h"

using panel_test::PanelAt;
using panel_test::ShownPanelAt;

namespace
{
enum Knob
{
    attack,
    sustain,
    sensitivity,
    punch,
    clip,
    mix,
    output
};

const char* const parameterOf[] = { "attack", "sustain", "sensitivity", "punch", "clip", "mix", "output" };

/** Opens the read-out's editor, types into it (through the editor's input filter) and
    commits with the editor's own path, as Return does. */
void typeInto (KravellGUI::EditableValueLabel& label, const juce::String& typed)
{
    label.showEditor();
    auto* editor = label.getCurrentTextEditor();
    ASSERT_NE (editor, nullptr);
    editor->insertTextAtCaret (typed);
    label.hideEditor (false);
}
} // namespace

TEST (ValueReadOut, FormatsByKnobName)
{
    struct Case
    {
        const char* name;
        float value;
        const char* text;
    };

    const Case cases[] = {
        { "Attack", 5.0f, "+5.0 dB" },
        { "Sustain", -2.5f, "-2.5 dB" },
        { "Output", 0.0f, "0.0 dB" },
        { "Output", 0.1f, "+0.1 dB" },
        { "Output", -12.0f, "-12.0 dB" },
        { "Sensitivity", 60.0f, "60.0%" },
        { "Mix", 100.0f, "100.0%" },
        { "Punch", 7.46f, "7.5%" },
        { "Clip", 0.0f, "0.0%" },
        { "Gain", 7.0f, "7.0" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (KravellGUI::formatValueText (c.name, c.value), c.text) << c.name << " " << c.value;
}

TEST (ValueReadOut, ShowsEachKnobsDefault)
{
    PanelAt at;
    const char* const expected[] = { "+5.0 dB", "-2.5 dB", "60.0%", "30.0%", "25.0%", "100.0%", "0.0 dB" };

    for (int i = 0; i < KravellGUI::numKnobs; ++i)
        EXPECT_EQ (at.panel.getValueLabel (i).getText(), expected[i]) << i;
}

struct TypedCase
{
    Knob knob;
    const char* typed;
    float stored;     // the parameter afterwards
    const char* shown; // the read-out afterwards
};

class TypedValue : public ::testing::TestWithParam<TypedCase>
{
};

TEST_P (TypedValue, IsParsedClampedAndApplied)
{
    const auto& c = GetParam();
    ShownPanelAt at;

    typeInto (at.panel.getValueLabel (c.knob), c.typed);

    EXPECT_NEAR (getPlain (at.processor, parameterOf[c.knob]), c.stored, 1.0e-4f);
    EXPECT_EQ (at.panel.getValueLabel (c.knob).getText(), c.shown);
}

INSTANTIATE_TEST_SUITE_P (ValueReadOut,
                          TypedValue,
                          ::testing::Values (TypedCase { sustain, "-3.5 dB", -3.5f, "-3.5 dB" },
                                             TypedCase { mix, "120%", 100.0f, "100.0%" },
                                             TypedCase { attack, "+20", 12.0f, "+12.0 dB" },
                                             TypedCase { output, "-40", -12.0f, "-12.0 dB" },
                                             TypedCase { attack, "3db", 3.0f, "+3.0 dB" },    // the cut is case-sensitive; the parse stops at d
                                             TypedCase { attack, "1 2", 12.0f, "+12.0 dB" },  // spaces go before parsing
                                             TypedCase { punch, "7.456", 7.46f, "7.5%" },     // the knob's 0.01 step
                                             TypedCase { sensitivity, "-", 0.0f, "0.0%" },    // no number parses as 0
                                             TypedCase { output, ".", 0.0f, "0.0 dB" },
                                             TypedCase { attack, "dB", 5.0f, "+5.0 dB" },      // empty after the cuts: nothing changes
                                             TypedCase { clip, " % ", 25.0f, "25.0%" },
                                             TypedCase { clip, "50%%", 50.0f, "50.0%" },
                                             TypedCase { attack, "2dB3", 2.0f, "+2.0 dB" })); // only what precedes the unit counts

TEST (ValueReadOut, EditorAcceptsOnlyNumberCharacters)
{
    ShownPanelAt at;
    auto& label = at.panel.getValueLabel (attack);
    label.showEditor();
    auto* editor = label.getCurrentTextEditor();
    ASSERT_NE (editor, nullptr);

    // The whole text is selected on opening, so typing replaces it.
    editor->insertTextAtCaret ("abcdDbB e,E+-.0123456789%xyz\t;");
    EXPECT_EQ (editor->getText(), "bdDbB +-.0123456789%");
    EXPECT_EQ (editor->getJustificationType().getFlags(), juce::Justification::centred);

    label.hideEditor (true);
    EXPECT_EQ (label.getText(), "+5.0 dB");
    EXPECT_FLOAT_EQ (getPlain (at.processor, "attack"), 5.0f);
}

TEST (ValueReadOut, EditingIsLeftAloneByTheRefresh)
{
    ShownPanelAt at;
    auto& label = at.panel.getValueLabel (mix);
    label.showEditor();
    label.getCurrentTextEditor()->insertTextAtCaret ("4");

    setPlain (at.processor, "mix", 50.0f);
    at.panel.timerCallback();
    EXPECT_EQ (label.getCurrentTextEditor()->getText(), "4");
    EXPECT_EQ (at.panel.getValueLabel (clip).getText(), "25.0%");

    label.hideEditor (false);
    EXPECT_FLOAT_EQ (getPlain (at.processor, "mix"), 4.0f);
    EXPECT_EQ (label.getText(), "4.0%");
}
