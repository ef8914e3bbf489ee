#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The user area of a display in logical pixels, the unit the editor's sizes are in.

    On Linux, and in a DPI-aware Windows app, the framework already gives logical areas. In a
    Windows plug-in it gives them in physical pixels, with the display's scale only in its
    DPI, while the editor is drawn at that scale: three quarters of a 2160-pixel-high display
    at 200 % is 810 logical pixels, not 1620. */
juce::Rectangle<int> logicalUserArea (const juce::Displays::Display& display);
