#include "platform/PlatformDisplays.h"

juce::Rectangle<int> logicalUserArea (const juce::Displays::Display& display)
{
#if JUCE_WINDOWS
    // The part of the DPI's scale that the framework has not applied to the areas already.
    const auto unapplied = display.dpi / 96.0 / display.scale;
    if (unapplied > 1.0)
        return (display.userArea.toDouble() / unapplied).toNearestInt();
#endif
    return display.userArea;
}
