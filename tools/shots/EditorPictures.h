#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Pictures of the editor as a user sees it, made in-process from the components' own
    painting, so two runs on one machine give the same pixels. */
namespace editorpictures
{
/** The component and every other visible top-level window (menus, dialogs) laid over it at
    its place on screen, as one picture of the component's size. */
juce::Image compositeOver (juce::Component& component);

/** Dispatches messages until a snapshot of the component is the same two times running, at
    least `minimumMs` apart (so timers that pull state into the view have fired), or until the
    time runs out. Returns the last snapshot, drawn at `scale` (2 for a high-density screen). */
juce::Image settledSnapshot (juce::Component& component, juce::Rectangle<int> area, int minimumMs, int timeoutMs, float scale = 1.0f);

/** Writes the image as PNG, replacing the file; false when that failed. */
bool writePng (const juce::Image& image, const juce::File& file);

/** Whether two images have the same size and the same pixels. */
bool samePixels (const juce::Image& a, const juce::Image& b);
} // namespace editorpictures
