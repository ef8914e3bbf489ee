#include "gui/shell/EditorSizing.h"
#include "platform/PlatformDisplays.h"

EditorSizing EditorSizing::forUsableArea (juce::Rectangle<int> area)
{
    EditorSizing sizing;
    const auto s = juce::jlimit (0.1f, 1.0f, initialHeightFraction);
    const auto r = std::max ((double) defaultAspectRatio, 0.1);
    sizing.aspectRatio = r;

    const auto h0 = std::max (1, (int) std::round ((float) area.getHeight() * s));
    const auto w0 = std::max (1, (int) std::round (h0 * r));

    const auto maxW = std::max (1, std::min (area.getWidth(), (int) maximumWidth));
    const auto minW = std::max (1, std::min (maxW, (int) minimumWidth));

    auto w = w0 >= minW ? std::min (maxW, w0) : minW;
    auto h = std::max (1, (int) std::round (w / r));
    if (h > area.getHeight())
    {
        h = area.getHeight();
        w = std::max (1, std::min (area.getWidth(), (int) std::round (area.getHeight() * r)));
    }

    sizing.width = w;
    sizing.height = h;
    sizing.minWidth = minW;
    sizing.maxWidth = maxW;
    sizing.minHeight = std::max (1, (int) std::round (minW / r));
    sizing.maxHeight = std::max (sizing.minHeight, (int) std::round (maxW / r));
    return sizing;
}

juce::Rectangle<int> EditorSizing::usableAreaFor (juce::Rectangle<int> screenBounds)
{
    const auto& displays = juce::Desktop::getInstance().getDisplays();
    if (const auto* display = displays.getDisplayForRect (screenBounds, false))
        return logicalUserArea (*display);
    if (const auto* main = displays.getPrimaryDisplay())
        return logicalUserArea (*main);
    juce::Rectangle<int> all;
    for (const auto& display : displays.displays)
        all = all.getUnion (logicalUserArea (display));
    return all;
}

int EditorSizing::menuBarHeight (int editorHeight) noexcept
{
    return (int) std::round ((float) editorHeight * menuBarHeightFraction);
}
