#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The editor's first size and the limits within which the host may resize it. */
struct EditorSizing
{
    int width = 0, height = 0;
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
    double aspectRatio = 1.0;

    static constexpr float initialHeightFraction = 0.75f;
    static constexpr float defaultAspectRatio = 1.61f;
    static constexpr float menuBarHeightFraction = 0.09f;
    static constexpr float minimumWidth = 500.0f;
    static constexpr float maximumWidth = 1700.0f;

    /** Three quarters of the usable height at a 1.61 ratio, held to 500..1700 pixels wide
        and to the usable area. */
    static EditorSizing forUsableArea (juce::Rectangle<int> usableArea);

    /** The usable screen area of the display the given screen bounds fall on (the main
        display, or all displays together, when the framework names none). */
    static juce::Rectangle<int> usableAreaFor (juce::Rectangle<int> screenBounds);

    /** The menu bar's height in an editor of the given height. */
    static int menuBarHeight (int editorHeight) noexcept;
};
