#include "gui/panel/KravellGUI.h"

#include "gui/panel/PanelFonts.h"
#include "gui/panel/TransientModel.h"
#include "processor/ParameterLayout.h"

namespace
{
/** One knob: its name (which picks the read-out's unit), parameter, caption and placement. */
struct KnobSpec
{
    const char* name;
    const char* parameterID;
    const char* caption;
    float sizeFactor;     // of the cell height
    float downwardOffset; // of the cell height
};

constexpr KnobSpec knobSpecs[KravellGUI::numKnobs] = {
    { "Attack", ParameterIds::attack, "ATTACK", 0.7f, 0.05f },
    { "Sustain", ParameterIds::sustain, "SUSTAIN", 0.7f, 0.05f },
    { "Sensitivity", ParameterIds::sensitivity, "SENSITIVITY", 0.7f, 0.05f },
    { "Punch", ParameterIds::punch, "PUNCH", 0.74f, 0.02f },
    { "Clip", ParameterIds::clip, "CLIP", 0.74f, 0.02f },
    { "Mix", ParameterIds::mix, "MIX", 0.74f, 0.02f },
    { "Output", ParameterIds::output, "OUTPUT", 0.74f, 0.02f },
};

// A selector group fits its caption, three gaps and three buttons of at least this height.
constexpr float minimumSelectorButtonHeight = 12.0f;
constexpr float selectorHeaderFloor = 14.0f;
constexpr float selectorHeaderFraction = 0.16f;
constexpr float selectorGapFloor = 2.0f;
constexpr float selectorGapFraction = 0.06f;

// The lowest group that still gives every button its full height: at that height the caption
// sits at its floor and the gaps are proportional, so h = 14 + 3 × 0.06 h + 3 × 12.
constexpr float minimumSelectorGroupHeight = (selectorHeaderFloor + 3.0f * minimumSelectorButtonHeight) / (1.0f - 3.0f * selectorGapFraction);
static_assert (selectorHeaderFraction * minimumSelectorGroupHeight <= selectorHeaderFloor
                   && selectorGapFraction * minimumSelectorGroupHeight >= selectorGapFloor,
               "the minimum group height must lie where the caption is floored and the gaps are not");
} // namespace

//==============================================================================
KravellGUI::KravellGUI (KravellAudioProcessor& processorToUse) :
    processor (processorToUse),
    smallBoldFont (panelFont (11.0f, true)),
    figuresFont (panelFont (12.0f, false))
{
    accentColour = juce::Colour (0xff9650ffu);
    secondaryColour = juce::Colour (0xff3a84ffu);

    for (size_t i = 0; i < knobs.size(); ++i)
        setUpKnob (knobs[i], knobSpecs[i].name);

    for (auto& knob : knobs)
        addAndMakeVisible (knob);

    // Each read-out is added right after its set-up, so the read-outs lie above the knobs.
    for (size_t i = 0; i < valueLabels.size(); ++i)
    {
        setUpValueLabel (valueLabels[i], knobs[i]);
        addAndMakeVisible (valueLabels[i]);
    }

    const std::pair<juce::TextButton*, const char*> selectors[] = {
        { &focusLowButton, "LOW" },
        { &focusFullButton, "FULL" },
        { &focusHighButton, "HIGH" },
        { &modeTightButton, "TIGHT" },
        { &modePunchButton, "PUNCH" },
        { &modeSmoothButton, "SMOOTH" },
    };

    for (auto [button, text] : selectors)
    {
        button->setButtonText (text);
        button->setClickingTogglesState (false); // the timer shows the parameter, not the click
        button->setLookAndFeel (&selectorLookAndFeel);
    }

    for (auto& selector : selectors)
        addAndMakeVisible (selector.first);

    addAndMakeVisible (powerButton);

    for (size_t i = 0; i < knobs.size(); ++i)
        knobAttachments[i] = std::make_unique<juce::AudioProcessorValueTreeState::SliderAttachment> (processor.parameterState, knobSpecs[i].parameterID, knobs[i]);

    // The power button toggles itself and its attachment writes the parameter as a gesture.
    // A click handler writing the opposite of the current value as well would fire again on
    // every toggle the attachment makes, and each write would flip the power once more.
    powerButton.setClickingTogglesState (true);
    powerAttachment = std::make_unique<juce::AudioProcessorValueTreeState::ButtonAttachment> (processor.parameterState, ParameterIds::power, powerButton);

    focusLowButton.onClick = [this] { setParameterPlain (ParameterIds::focus, 0.0f); };
    focusFullButton.onClick = [this] { setParameterPlain (ParameterIds::focus, 1.0f); };
    focusHighButton.onClick = [this] { setParameterPlain (ParameterIds::focus, 2.0f); };
    modeTightButton.onClick = [this] { setParameterPlain (ParameterIds::mode, 0.0f); };
    modePunchButton.onClick = [this] { setParameterPlain (ParameterIds::mode, 1.0f); };
    modeSmoothButton.onClick = [this] { setParameterPlain (ParameterIds::mode, 2.0f); };

    auto& state = processor.parameterState;
    displayParameters = { state.getRawParameterValue (ParameterIds::attack),
                          state.getRawParameterValue (ParameterIds::sustain),
                          state.getRawParameterValue (ParameterIds::output),
                          state.getRawParameterValue (ParameterIds::sensitivity),
                          state.getRawParameterValue (ParameterIds::punch),
                          state.getRawParameterValue (ParameterIds::clip),
                          state.getRawParameterValue (ParameterIds::mix) };

    setUpAccessibility();
    setOpaque (true);

    refreshValueLabels();
    updateValueLabelVisibility();

    startTimer (33);
}

KravellGUI::~KravellGUI()
{
    stopTimer();

    // The looks are members destroyed with the panel; no control may still point at them.
    for (auto& knob : knobs)
        knob.setLookAndFeel (nullptr);

    for (auto* button : { &focusLowButton, &focusFullButton, &focusHighButton, &modeTightButton, &modePunchButton, &modeSmoothButton })
        button->setLookAndFeel (nullptr);
}

void KravellGUI::setUpKnob (juce::Slider& knob, const juce::String& name)
{
    knob.setName (name);
    knob.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    knob.setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    knob.setLookAndFeel (&knobLookAndFeel);
}

void KravellGUI::setUpAccessibility()
{
    // Screen readers hear each control's name and value; the Tab key and accessibility
    // navigation go power, left column top to bottom, knob strip left to right (each knob
    // followed by its read-out), then the selectors top to bottom.
    setTitle ("Kravell");
    setFocusContainerType (FocusContainerType::keyboardFocusContainer);

    int order = 1;
    powerButton.setExplicitFocusOrder (order++);

    for (size_t i = 0; i < knobs.size(); ++i)
    {
        auto& knob = knobs[i];
        knob.setTitle (knobSpecs[i].name);
        knob.setWantsKeyboardFocus (true);
        knob.setExplicitFocusOrder (order++);
        knob.textFromValueFunction = [name = knob.getName()] (double value) { return formatValueText (name, (float) value); };

        valueLabels[i].setDescription (juce::String (knobSpecs[i].name) + " value");
        valueLabels[i].setExplicitFocusOrder (order++);
    }

    const std::pair<juce::TextButton*, const char*> selectors[] = {
        { &focusHighButton, "Focus High" },
        { &focusFullButton, "Focus Full" },
        { &focusLowButton, "Focus Low" },
        { &modeTightButton, "Mode Tight" },
        { &modePunchButton, "Mode Punch" },
        { &modeSmoothButton, "Mode Smooth" },
    };

    for (auto [button, title] : selectors)
    {
        button->setTitle (title);
        button->setToggleable (true); // reported as checked or not; a click still never flips it
        button->setExplicitFocusOrder (order++);
    }
}

juce::TextButton& KravellGUI::getFocusButton (int focusIndex)
{
    return focusIndex <= 0 ? focusLowButton : (focusIndex == 1 ? focusFullButton : focusHighButton);
}

juce::TextButton& KravellGUI::getModeButton (int modeIndex)
{
    return modeIndex <= 0 ? modeTightButton : (modeIndex == 1 ? modePunchButton : modeSmoothButton);
}

//==============================================================================
void KravellGUI::setParameterPlain (const juce::String& parameterID, float plainValue)
{
    auto* parameter = processor.parameterState.getParameter (parameterID);
    if (parameter == nullptr)
        return;

    const auto& range = parameter->getNormalisableRange();

    // A click is a complete edit: hosts record automation only inside a gesture.
    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost (range.convertTo0to1 (range.snapToLegalValue (plainValue)));
    parameter->endChangeGesture();
}

//==============================================================================
void KravellGUI::resized()
{
    const auto width = (float) getWidth();
    const auto height = (float) getHeight();

    auto content = juce::Rectangle<float> (0.0f, 0.0f, width, height).reduced (0.03f * width, 0.035f * height);
    headerArea = content.removeFromTop (0.1f * content.getHeight());
    content.removeFromBottom (0.1f * content.getHeight()); // margin below the knob strip
    rightColumn = content.removeFromRight (0.205f * content.getWidth());
    leftColumn = content.removeFromLeft (0.18f * content.getWidth());
    displayFrame = content;
    knobStrip = displayFrame.removeFromBottom (0.25f * displayFrame.getHeight());
    plotArea = displayFrame.reduced (0.045f * displayFrame.getWidth(), 0.065f * displayFrame.getHeight());

    auto column = leftColumn.reduced (0.12f * leftColumn.getWidth(), 0.03f * leftColumn.getHeight());
    const auto third = column.getHeight() / 3.0f;
    knobCells[0] = column.removeFromTop (third).reduced (0.0f, 0.03f * third);
    knobCells[1] = column.removeFromTop (third).reduced (0.0f, 0.04f * third);
    knobCells[2] = column.reduced (0.0f, 0.04f * third);

    auto row = knobStrip.reduced (0.08f * knobStrip.getWidth(), 0.01f * knobStrip.getHeight());
    const auto quarter = row.getWidth() / 4.0f;
    for (size_t i = 3; i < 6; ++i)
        knobCells[i] = row.removeFromLeft (quarter).reduced (0.1f * quarter, 0.0f);
    knobCells[6] = row.reduced (0.1f * quarter, 0.0f);

    const auto labelFont = panelFont (18.0f, true);

    for (size_t i = 0; i < knobs.size(); ++i)
    {
        // A square, centred in its cell and pushed down a little.
        const auto cell = knobCells[i];
        const auto size = std::min (cell.getHeight() * knobSpecs[i].sizeFactor, cell.getWidth() * 0.9f);
        const auto x = cell.getX() + (cell.getWidth() - size) * 0.5f;
        const auto y = cell.getY() + (cell.getHeight() - size) * 0.5f + cell.getHeight() * knobSpecs[i].downwardOffset;
        knobs[i].setBounds (juce::roundToInt (x), juce::roundToInt (y), juce::roundToInt (size), juce::roundToInt (size));

        // The read-out is 16 % wider than the knob, centred under it, overlapping its last 2 px.
        const auto knob = knobs[i].getBounds().toFloat();
        auto& label = valueLabels[i];
        label.setBounds ((int) std::round (knob.getX() - 0.08f * knob.getWidth()),
                         (int) std::round (knob.getY() + knob.getHeight() - 2.0f),
                         (int) std::round (1.16f * knob.getWidth()),
                         24);

        // Near the minimum size an 18 px read-out no longer fits under its knob and would be
        // cut to an ellipsis; it then shrinks just enough for the knob's widest value.
        const auto available = (float) label.getBorderSize().subtractedFrom (label.getLocalBounds()).getWidth();
        const auto widest = std::max (juce::GlyphArrangement::getStringWidth (labelFont, formatValueText (knobs[i].getName(), (float) knobs[i].getMinimum())),
                                      juce::GlyphArrangement::getStringWidth (labelFont, formatValueText (knobs[i].getName(), (float) knobs[i].getMaximum())));
        label.setFont (widest > available && available > 0.0f ? panelFont (18.0f * available / widest, true) : labelFont);
    }

    auto right = rightColumn.reduced (0.1f * rightColumn.getWidth(), 0.06f * rightColumn.getHeight());
    const auto gap = 0.045f * right.getHeight();

    // Below a panel height of about 376 px the proportional group would be too low for three
    // buttons and the last one would get no height at all; the groups then take what their
    // buttons need from the meters below, which still show their four segments.
    const auto groupHeight = std::max (0.245f * right.getHeight(), minimumSelectorGroupHeight);

    const auto focusGroup = right.removeFromTop (groupHeight);
    right.removeFromTop (gap);
    const auto modeGroup = right.removeFromTop (groupHeight);
    right.removeFromTop (gap);
    auto meterArea = right;

    layoutSelectorGroup (focusGroup, focusCaptionArea, focusHighButton, focusFullButton, focusLowButton);
    layoutSelectorGroup (modeGroup, modeCaptionArea, modeTightButton, modePunchButton, modeSmoothButton);

    const auto meterAreaWidth = meterArea.getWidth();
    const auto meterGap = 0.12f * meterAreaWidth < 8.0f ? 8.0f : std::min (26.0f, 0.12f * meterAreaWidth);
    const auto meterWidth = std::max ((meterAreaWidth - meterGap) * 0.5f, 24.0f);
    inputMeterArea = meterArea.removeFromLeft (meterWidth);
    meterArea.removeFromLeft (meterGap);
    outputMeterArea = meterArea.removeFromLeft (meterWidth);

    // Both sides come from the width, so the button stays square.
    powerButton.setBounds (juce::roundToInt (0.855f * width), juce::roundToInt (0.035f * height), juce::roundToInt (0.04f * width), juce::roundToInt (0.04f * width));
}

void KravellGUI::layoutSelectorGroup (juce::Rectangle<float> group, juce::Rectangle<float>& captionArea, juce::Button& top, juce::Button& middle, juce::Button& bottom)
{
    const auto headerHeight = std::max (selectorHeaderFraction * group.getHeight(), selectorHeaderFloor);
    const auto gapHeight = std::max (selectorGapFraction * group.getHeight(), selectorGapFloor);
    const auto buttonHeight = std::max (minimumSelectorButtonHeight, std::max (0.0f, group.getHeight() - headerHeight - 3.0f * gapHeight) / 3.0f);

    captionArea = group.removeFromTop (headerHeight);

    const auto x = juce::roundToInt (group.getX() + 0.02f * group.getWidth());
    const auto width = juce::roundToInt (std::max (0.0f, group.getWidth() - 0.04f * group.getWidth()));

    for (auto* button : { &top, &middle, &bottom })
    {
        group.removeFromTop (gapHeight);
        const auto piece = group.removeFromTop (buttonHeight);
        button->setBounds (x, juce::roundToInt (piece.getY()), width, juce::roundToInt (piece.getHeight()));
    }
}

//==============================================================================
void KravellGUI::paint (juce::Graphics& g)
{
    const auto width = (float) getWidth();
    const auto height = (float) getHeight();
    const auto power = processor.isPowerOn();

    const auto panelFace = juce::Rectangle<float> (0.0f, 0.0f, width, height).reduced (0.01f * width, 0.02f * height);

    // Most repaints are of a meter or the display, well inside the face: there the face is
    // plain and only whole-pixel fills are needed, not the gradient, the rounded outline and
    // the text around it (each costs a path across the whole panel).
    const auto clip = g.getClipBounds();
    const auto plainAcross = panelFace.reduced (18.0f, 2.0f).getLargestIntegerWithin();
    const auto plainDown = panelFace.reduced (2.0f, 18.0f).getLargestIntegerWithin();
    const auto onlyPlainFace = plainAcross.contains (clip) || plainDown.contains (clip);

    if (! onlyPlainFace)
    {
        // The face covers its inside opaquely, so the gradient is only worth drawing around
        // it; the whole-panel gradient was the largest single cost of a repaint.
        juce::Graphics::ScopedSaveState savedState (g);
        g.excludeClipRegion (panelFace.reduced (18.0f, 0.0f).getLargestIntegerWithin());
        g.excludeClipRegion (panelFace.reduced (0.0f, 18.0f).getLargestIntegerWithin());
        g.setGradientFill (juce::ColourGradient (juce::Colour (0xff080a0fu), 0.0f, 0.0f, juce::Colour (0xff0d0c14u), 0.0f, height, false));
        g.fillAll();
    }

    g.setColour (juce::Colour (0xff14161eu));
    if (onlyPlainFace)
    {
        // Inside the face it is one solid colour, as the rounded fill gives it there. The
        // plot's background covers its own inside opaquely: the face is needed around it.
        juce::Graphics::ScopedSaveState savedState (g);
        g.excludeClipRegion (TransientPlotGeometry::fromPlotArea (plotArea).inner().reduced (12.0f, 12.0f).getLargestIntegerWithin());
        g.fillRect (clip);
    }
    else
    {
        g.fillRoundedRectangle (panelFace, 18.0f);
        g.setColour (juce::Colour (0x1effffffu));
        g.drawRoundedRectangle (panelFace, 18.0f, 1.0f);
    }

    // A section's outline only where the repaint reaches its edge, not its plain inside.
    g.setColour (power ? accentColour.withAlpha ((juce::uint8) 36) : juce::Colour (0xff585866u).withAlpha ((juce::uint8) 20));
    for (auto section : { displayFrame, knobStrip, rightColumn })
        if (clip.intersects (section.expanded (1.0f).getSmallestIntegerContainer()) && ! section.reduced (17.0f).getLargestIntegerWithin().contains (clip))
            g.drawRoundedRectangle (section, 16.0f, 1.0f);

    // Each part only where the repaint reaches it (with a margin for glyphs and strokes).
    const auto reaches = [clip] (juce::Rectangle<float> area) { return clip.intersects (area.getSmallestIntegerContainer().expanded (4)); };
    if (reaches (headerArea))
        drawHeader (g);
    if (reaches (displayFrame))
        drawTransientDisplay (g);
    if (reaches (inputMeterArea))
        drawLevelMeter (g, inputMeterArea, shown.inputLevel, "IN");
    if (reaches (outputMeterArea))
        drawLevelMeter (g, outputMeterArea, shown.outputLevel, "OUT");
    drawCaptions (g);
}

void KravellGUI::drawHeader (juce::Graphics& g)
{
    const auto power = processor.isPowerOn();

    g.setColour (juce::Colour (power ? 0xb0ffffffu : 0xff8a8a94u));
    g.setFont (panelFont (0.46f * headerArea.getHeight(), true));
    g.drawText ("KRAVELL", headerArea.toNearestInt(), juce::Justification::centredTop, false);

    const auto subtitleY = headerArea.getY() + 0.44f * headerArea.getHeight();
    const juce::Rectangle<float> subtitleArea (headerArea.getX(), subtitleY, headerArea.getWidth(), std::max (0.0f, headerArea.getBottom() - subtitleY));

    g.setColour (power ? accentColour : juce::Colour (0xff666672u));
    g.setFont (panelFont (0.42f * subtitleArea.getHeight(), false));
    g.drawText ("TRANSIENT SHAPER", subtitleArea.toNearestInt(), juce::Justification::centredTop, false);
}

void KravellGUI::drawCaptions (juce::Graphics& g)
{
    const auto power = processor.isPowerOn();

    g.setColour (juce::Colour (power ? 0xffe6e6ecu : 0xff90909cu));
    g.setFont (panelFont ((float) (getHeight() * 0.03), true));

    // Laid out only where the repaint reaches (with a margin for the glyphs).
    const auto clip = g.getClipBounds();
    const auto drawCaption = [&] (const char* text, juce::Rectangle<int> area) {
        if (clip.intersects (area.expanded (4)))
            g.drawText (text, area, juce::Justification::centred);
    };

    // Each caption sits at the top of its knob's cell, above the knob.
    for (size_t i = 0; i < knobs.size(); ++i)
    {
        const auto cell = knobCells[i];
        drawCaption (knobSpecs[i].caption, juce::Rectangle<int> ((int) cell.getX(), (int) (cell.getHeight() * 0.045f + (float) (int) cell.getY()), (int) cell.getWidth(), 22));
    }

    g.setColour (juce::Colour (power ? 0xffd4d4dcu : 0xff8a8a94u));
    g.setFont (panelFont (17.0f, true));
    drawCaption ("FOCUS", focusCaptionArea.toNearestInt());
    drawCaption ("MODE", modeCaptionArea.toNearestInt());
}

//==============================================================================
void KravellGUI::timerCallback()
{
    const auto focus = processor.getFocusIndex();
    focusLowButton.setToggleState (focus == 0, juce::dontSendNotification);
    focusFullButton.setToggleState (focus == 1, juce::dontSendNotification);
    focusHighButton.setToggleState (focus == 2, juce::dontSendNotification);

    const auto mode = processor.getModeIndex();
    modeTightButton.setToggleState (mode == 0, juce::dontSendNotification);
    modePunchButton.setToggleState (mode == 1, juce::dontSendNotification);
    modeSmoothButton.setToggleState (mode == 2, juce::dontSendNotification);

    // The knobs, read-outs, selectors and power button repaint themselves when their value or
    // state changes; what the panel paints itself is compared with what it last showed.
    refreshValueLabels();
    updateValueLabelVisibility();
    repaintWhatChanged (readShownState());
}

KravellGUI::ShownState KravellGUI::readShownState() const
{
    ShownState now;
    now.power = processor.isPowerOn();
    now.focus = processor.getFocusIndex();
    now.mode = processor.getModeIndex();
    const std::atomic<float>* display[] = { displayParameters.attack, displayParameters.sustain, displayParameters.output, displayParameters.sensitivity, displayParameters.punch, displayParameters.clip, displayParameters.mix };
    for (size_t i = 0; i < now.display.size(); ++i)
        now.display[i] = readRaw (display[i]);

    now.inputLevel = (processor.getInputMeter (0) + processor.getInputMeter (1)) * 0.5f;
    now.outputLevel = (processor.getOutputMeter (0) + processor.getOutputMeter (1)) * 0.5f;
    now.inputLit = now.power ? litMeterSegments (inputMeterArea, now.inputLevel) : 0;
    now.outputLit = now.power ? litMeterSegments (outputMeterArea, now.outputLevel) : 0;
    return now;
}

void KravellGUI::repaintWhatChanged (const ShownState& now)
{
    const auto before = shown;
    const auto firstTick = ! anythingShown;
    shown = now;
    anythingShown = true;

    // Power changes the look of everything: sections, captions, controls and meters.
    if (firstTick || repaintWholePanelEachTick || now.power != before.power)
    {
        repaint();
        return;
    }

    if (now.focus != before.focus || now.mode != before.mode || now.display != before.display)
        repaintArea (plotArea);

    if (now.inputLit != before.inputLit)
        repaintArea (inputMeterArea);

    if (now.outputLit != before.outputLit)
        repaintArea (outputMeterArea);
}

void KravellGUI::repaintArea (juce::Rectangle<float> area)
{
    // Outlines are stroked on the area's edge: half a pixel of each lies outside it.
    repaint (area.getSmallestIntegerContainer().expanded (2));
}
