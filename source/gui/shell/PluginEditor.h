#pragma once

#include "gui/panel/KravellGUI.h"
#include "gui/shell/EditorSizing.h"
#include "gui/shell/MenuBar.h"
#include "platform/PlatformFonts.h"

/** The plug-in's editor: the menu bar along the top and the main panel below it. It sizes
    itself from the screen it opens on and lets the host resize it at a fixed ratio. */
class KravellAudioProcessorEditor final : public juce::AudioProcessorEditor,
                                          private juce::Timer
{
public:
    explicit KravellAudioProcessorEditor (KravellAudioProcessor&);
    ~KravellAudioProcessorEditor() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void parentHierarchyChanged() override;

    KravellGUI& getPanel() noexcept { return panel; }
    MenuBar& getMenuBar() noexcept { return menuBar; }

private:
    // First, so the panel and the bar are laid out with the typeface they are drawn with.
    PlatformFonts platformFonts;
    KravellAudioProcessor& kravellProcessor;
    const float initialHeightFraction = EditorSizing::initialHeightFraction;
    const float aspectRatio = EditorSizing::defaultAspectRatio;
    const float menuBarHeightFraction = EditorSizing::menuBarHeightFraction;
    const float minimumWidth = EditorSizing::minimumWidth;
    const float maximumWidth = EditorSizing::maximumWidth;
    KravellGUI panel;
    MenuBar menuBar;

    // A host window that a window manager takes on can pass through a stale, tiny size while
    // it is mapped (openbox does this under JUCE-based hosts): the host hands it to the editor,
    // which can only answer with its minimum; the host then hands on the window's real size,
    // the opening size, and after it its own window fitted to the earlier answer, which stays.
    // That last minimum, after the host had already given the opening size back, is an echo
    // no one chose, so the editor asks for its opening size back once. A host that simply asks
    // for a size below the minimum keeps the minimum, as before.
    static constexpr juce::uint32 openingPeriodMs = 2000, settleMs = 100;
    juce::Rectangle<int> openingBounds;
    juce::uint32 placedOnScreenAt = 0;
    bool squeezedAfterOpening = false, openingSizeGivenBack = false, openingSizeAskedBack = false;

    bool isOpening() const;
    bool isAtMinimum();
    bool isEchoOfAStaleSize();
    void timerCallback() override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KravellAudioProcessorEditor)
};
