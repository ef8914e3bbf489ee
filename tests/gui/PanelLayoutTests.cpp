// The panel's proportional layout at the editor's example size and at its minimum size,
// and the selector buttons at every size the editor allows.

#include "gui/PanelTestSupport.h"

using panel_test::PanelAt;

namespace
{
struct FloatRect
{
    const char* name;
    juce::Rectangle<float> (*get) (const KravellGUI&);
    float x, y, w, h;
};

const FloatRect areasAt1256x710[] = {
    { "headerArea", [] (const KravellGUI& p) { return p.getHeaderArea(); }, 37.68f, 24.85f, 1180.64f, 66.03f },
    { "leftColumn", [] (const KravellGUI& p) { return p.getLeftColumn(); }, 37.68f, 90.88f, 168.95f, 534.84f },
    { "displayFrame", [] (const KravellGUI& p) { return p.getDisplayFrame(); }, 206.63f, 90.88f, 769.66f, 401.13f },
    { "knobStrip", [] (const KravellGUI& p) { return p.getKnobStrip(); }, 206.63f, 492.01f, 769.66f, 133.71f },
    { "rightColumn", [] (const KravellGUI& p) { return p.getRightColumn(); }, 976.29f, 90.88f, 242.03f, 534.84f },
    { "plotArea", [] (const KravellGUI& p) { return p.getPlotArea(); }, 241.26f, 116.95f, 700.39f, 348.99f },
    { "focusCaptionArea", [] (const KravellGUI& p) { return p.getFocusCaptionArea(); }, 1000.49f, 122.97f, 193.63f, 18.45f },
    { "inputMeterArea", [] (const KravellGUI& p) { return p.getInputMeterArea(); }, 1000.49f, 395.95f, 85.20f, 197.68f },
    { "outputMeterArea", [] (const KravellGUI& p) { return p.getOutputMeterArea(); }, 1108.92f, 395.95f, 85.20f, 197.68f },
};

struct IntRect
{
    const char* name;
    juce::Component& (*get) (KravellGUI&);
    juce::Rectangle<int> bounds;
};

template <int index>
juce::Component& knob (KravellGUI& p) { return p.getKnob (index); }
template <int index>
juce::Component& readOut (KravellGUI& p) { return p.getValueLabel (index); }
template <int index>
juce::Component& focusButton (KravellGUI& p) { return p.getFocusButton (index); }
template <int index>
juce::Component& modeButton (KravellGUI& p) { return p.getModeButton (index); }

const IntRect boundsAt1256x710[] = {
    { "attack knob", knob<0>, { 67, 143, 110, 110 } },
    { "sustain knob", knob<1>, { 68, 312, 108, 108 } },
    { "sensitivity knob", knob<2>, { 68, 480, 108, 108 } },
    { "punch knob", knob<3>, { 301, 513, 97, 97 } },
    { "clip knob", knob<4>, { 462, 513, 97, 97 } },
    { "mix knob", knob<5>, { 624, 513, 97, 97 } },
    { "output knob", knob<6>, { 785, 513, 97, 97 } },
    { "attack read-out", readOut<0>, { 58, 251, 128, 24 } },
    { "sustain read-out", readOut<1>, { 59, 418, 125, 24 } },
    { "sensitivity read-out", readOut<2>, { 59, 586, 125, 24 } },
    { "punch read-out", readOut<3>, { 293, 608, 113, 24 } },
    { "clip read-out", readOut<4>, { 454, 608, 113, 24 } },
    { "mix read-out", readOut<5>, { 616, 608, 113, 24 } },
    { "output read-out", readOut<6>, { 777, 608, 113, 24 } },
    { "HIGH", focusButton<2>, { 1004, 148, 186, 25 } },
    { "FULL", focusButton<1>, { 1004, 181, 186, 25 } },
    { "LOW", focusButton<0>, { 1004, 213, 186, 25 } },
    { "TIGHT", modeButton<0>, { 1004, 285, 186, 25 } },
    { "PUNCH", modeButton<1>, { 1004, 317, 186, 25 } },
    { "SMOOTH", modeButton<2>, { 1004, 349, 186, 25 } },
    { "power", [] (KravellGUI& p) -> juce::Component& { return p.getPowerButton(); }, { 1074, 25, 50, 50 } },
};

// At 500 × 283 the proportional groups are 45.96 px high, too low for three 12 px buttons;
// each group grows to 60.98 px, the least that fits them, and the meters give up the room.
const IntRect boundsAt500x283[] = {
    { "attack knob", knob<0>, { 0, 0, 44, 44 } },
    { "sustain knob", knob<1>, { 0, 0, 43, 43 } },
    { "sensitivity knob", knob<2>, { 0, 0, 43, 43 } },
    { "punch knob", knob<3>, { 0, 0, 39, 39 } },
    { "output knob", knob<6>, { 0, 0, 39, 39 } },
    { "HIGH", focusButton<2>, { 400, 67, 74, 12 } },
    { "FULL", focusButton<1>, { 400, 82, 74, 12 } },
    { "LOW", focusButton<0>, { 400, 98, 74, 12 } },
    { "TIGHT", modeButton<0>, { 400, 136, 74, 12 } },
    { "PUNCH", modeButton<1>, { 400, 152, 74, 12 } },
    { "SMOOTH", modeButton<2>, { 400, 167, 74, 12 } },
};

void expectRectNear (juce::Rectangle<float> actual, float x, float y, float w, float h, const char* name)
{
    constexpr float tolerance = 0.006f; // the table's figures are rounded to two decimals
    EXPECT_NEAR (actual.getX(), x, tolerance) << name;
    EXPECT_NEAR (actual.getY(), y, tolerance) << name;
    EXPECT_NEAR (actual.getWidth(), w, tolerance) << name;
    EXPECT_NEAR (actual.getHeight(), h, tolerance) << name;
}
} // namespace

TEST (PanelLayout, NothingIsPlacedBeforeTheFirstLayout)
{
    KravellAudioProcessor processor;
    KravellGUI panel (processor);

    EXPECT_TRUE (panel.getPlotArea().isEmpty());
    EXPECT_TRUE (panel.getInputMeterArea().isEmpty());
    EXPECT_TRUE (panel.getKnob (0).getBounds().isEmpty());
}

TEST (PanelLayout, AreasAtTheExampleSize)
{
    PanelAt at;
    for (const auto& area : areasAt1256x710)
        expectRectNear (area.get (at.panel), area.x, area.y, area.w, area.h, area.name);
}

TEST (PanelLayout, ControlBoundsAtTheExampleSize)
{
    PanelAt at;
    for (const auto& row : boundsAt1256x710)
        EXPECT_EQ (row.get (at.panel).getBounds(), row.bounds) << row.name;
}

TEST (PanelLayout, MinimumSizeKeepsEverySelectorButtonClickable)
{
    PanelAt at (500, 283);

    for (const auto& row : boundsAt500x283)
    {
        const auto actual = row.get (at.panel).getBounds();
        if (row.bounds.getX() == 0)
            EXPECT_EQ (actual.getWidth(), row.bounds.getWidth()) << row.name; // knobs: their size only
        else
            EXPECT_EQ (actual, row.bounds) << row.name;
    }

    expectRectNear (at.panel.getFocusCaptionArea(), 398.285f, 49.015f, 77.08f, 14.0f, "focusCaptionArea");
    expectRectNear (at.panel.getModeCaptionArea(), 398.285f, 118.433f, 77.08f, 14.0f, "modeCaptionArea");
    expectRectNear (at.panel.getInputMeterArea(), 398.285f, 187.85f, 33.915f, 48.766f, "inputMeterArea");
    expectRectNear (at.panel.getOutputMeterArea(), 441.45f, 187.85f, 33.915f, 48.766f, "outputMeterArea");
}

// Every width the editor allows, at its aspect ratio: all six buttons at least 12 px high,
// stacked without overlap inside the right column, and each one the component a click at
// its centre lands on.
TEST (PanelLayout, SelectorButtonsAreReachableAtEveryEditorSize)
{
    KravellAudioProcessor processor;
    KravellGUI panel (processor);
    panel.setVisible (true); // hit-testing finds visible components only

    for (int width = 500; width <= 1700; width += 25)
    {
        panel.setSize (width, juce::roundToInt (width * 710.0 / 1256.0));
        const auto column = panel.getRightColumn().toNearestIntEdges();

        juce::Component* stack[] = { &panel.getFocusButton (2), &panel.getFocusButton (1), &panel.getFocusButton (0), &panel.getModeButton (0), &panel.getModeButton (1), &panel.getModeButton (2) };
        for (size_t i = 0; i < std::size (stack); ++i)
        {
            const auto bounds = stack[i]->getBounds();
            SCOPED_TRACE (juce::String (width) + " wide, " + stack[i]->getTitle());
            EXPECT_GE (bounds.getHeight(), 12);
            EXPECT_TRUE (column.contains (bounds));
            if (i > 0)
            {
                EXPECT_GT (bounds.getY(), stack[i - 1]->getBottom() - 1);
            }
            EXPECT_EQ (panel.getComponentAt (bounds.getCentre()), stack[i]);
        }

        EXPECT_GT (panel.getInputMeterArea().getHeight(), 40.0f) << width;
        EXPECT_GT (panel.getInputMeterArea().getY(), (float) panel.getModeButton (2).getBottom()) << width;
    }
}

// The read-outs keep the 18 px font wherever their widest value fits, and shrink below that
// only as far as needed to show it whole instead of an ellipsis.
TEST (PanelLayout, ReadOutsShowTheirWidestValueWhole)
{
    const char* const widest[] = { "-12.0 dB", "-12.0 dB", "100.0%", "100.0%", "100.0%", "100.0%", "-12.0 dB" };

    for (auto [width, height] : { std::pair { 1256, 710 }, std::pair { 500, 283 } })
    {
        PanelAt at (width, height);
        for (int i = 0; i < KravellGUI::numKnobs; ++i)
        {
            auto& label = at.panel.getValueLabel (i);
            const auto available = (float) label.getBorderSize().subtractedFrom (label.getLocalBounds()).getWidth();
            EXPECT_LE (juce::GlyphArrangement::getStringWidth (label.getFont(), widest[i]), available + 0.01f) << width << ", " << i;
            EXPECT_TRUE (label.getFont().isBold());

            if (width == 1256)
                EXPECT_FLOAT_EQ (label.getFont().getHeight(), 18.0f) << i;
            else
                EXPECT_GT (label.getFont().getHeight(), 9.0f) << i;
        }
    }
}
