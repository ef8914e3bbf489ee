#include "gui/shell/PluginEditor.h"

KravellAudioProcessorEditor::KravellAudioProcessorEditor (KravellAudioProcessor& processorToEdit) :
    juce::AudioProcessorEditor (processorToEdit),
    kravellProcessor (processorToEdit),
    panel (processorToEdit)
{
    // The caption shows the current preset before the bar's own timer first fires.
    menuBar.setPresettable (&kravellProcessor);
    menuBar.updatePresetButtonText();

    addAndMakeVisible (panel);
    addAndMakeVisible (menuBar);

    // Not on screen yet: the framework picks the display for an empty rectangle at the origin.
    const auto sizing = EditorSizing::forUsableArea (EditorSizing::usableAreaFor (getScreenBounds()));
    setResizeLimits (sizing.minWidth, sizing.minHeight, sizing.maxWidth, sizing.maxHeight);
    getConstrainer()->setFixedAspectRatio (sizing.aspectRatio);
    setSize (sizing.width, sizing.height);
}

KravellAudioProcessorEditor::~KravellAudioProcessorEditor()
{
    stopTimer();
    menuBar.setPresettable (nullptr);
}

void KravellAudioProcessorEditor::paint (juce::Graphics&)
{
    // The menu bar and the panel cover the whole editor.
}

void KravellAudioProcessorEditor::resized()
{
    const auto barHeight = (int) std::round ((float) getHeight() * menuBarHeightFraction);
    menuBar.setBounds (0, 0, getWidth(), barHeight);
    panel.setBounds (0, barHeight, getWidth(), getHeight() - barHeight);

    if (isEchoOfAStaleSize())
        startTimer ((int) settleMs); // once the window has settled
}

void KravellAudioProcessorEditor::parentHierarchyChanged()
{
    if (placedOnScreenAt == 0 && getPeer() != nullptr)
    {
        placedOnScreenAt = juce::jmax (1u, juce::Time::getMillisecondCounter());
        openingBounds = getLocalBounds();
    }
}

bool KravellAudioProcessorEditor::isOpening() const
{
    return placedOnScreenAt != 0 && ! openingSizeAskedBack && juce::Time::getMillisecondCounter() - placedOnScreenAt < openingPeriodMs;
}

bool KravellAudioProcessorEditor::isAtMinimum()
{
    // A size the host could only have been given by clamping a request below it.
    const auto* limits = getConstrainer();
    return limits != nullptr && getWidth() <= limits->getMinimumWidth() + 1 && getWidth() < openingBounds.getWidth();
}

bool KravellAudioProcessorEditor::isEchoOfAStaleSize()
{
    // Follows the sizes given while opening: the minimum, the opening size, the minimum again.
    if (! isOpening())
        return false;

    if (getLocalBounds() == openingBounds)
        openingSizeGivenBack = squeezedAfterOpening;
    else if (isAtMinimum())
    {
        if (openingSizeGivenBack)
            return true;
        squeezedAfterOpening = true;
    }
    return false;
}

void KravellAudioProcessorEditor::timerCallback()
{
    stopTimer();
    if (! isOpening() || ! isAtMinimum())
        return;

    // The framework's wrapper passes the new size on to the host's window (resizeView).
    openingSizeAskedBack = true;
    setSize (openingBounds.getWidth(), openingBounds.getHeight());
}
