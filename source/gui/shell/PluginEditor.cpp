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
}
