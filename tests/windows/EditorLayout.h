#pragma once

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace host
{
/** Where the editor's menu bar puts its preset and Save buttons in an editor of the given
    size: the bar is the top 9 % of the editor, laid out as MenuBar::resized does. A test
    clicks there as a user would; if the layout changes, this must follow. */
struct MenuBarButtons
{
    RECT presets, save;
};

/** The menu bar's height in an editor of the given height: the rest is the panel. */
inline int menuBarHeightFor (int editorHeight)
{
    return (int) std::round ((float) editorHeight * 0.09f);
}

/** The centre of the Attack knob, the first of the panel's left column, in an editor of the
    given size: at the same fractions of the panel as in the panel's 1256 x 710 layout, where
    it is at (67, 143) and 110 pixels wide. */
inline POINT attackKnobCentreFor (int width, int height)
{
    const auto bar = menuBarHeightFor (height);
    return { (LONG) std::lround (width * (122.0 / 1256.0)), (LONG) std::lround (bar + (height - bar) * (198.0 / 710.0)) };
}

inline MenuBarButtons menuBarButtonsFor (int width, int height)
{
    const auto w = (float) width;
    const auto h = (float) menuBarHeightFor (height);
    const auto pad = std::max (h * 0.12f, 6.0f);
    const auto y = (int) std::round (pad);
    const auto buttonHeight = (int) std::round (std::max (18.0f, h * 0.9f - 2.0f * pad));
    const auto presetWidth = std::round (w * 0.24f);
    const auto presetX = w * 0.5f - presetWidth * 0.8f;
    const auto saveX = (int) std::round (presetWidth + presetX + w * 0.01f);
    const auto saveWidth = (int) std::round (h * 1.8f);

    MenuBarButtons buttons {};
    buttons.presets = { (LONG) std::round (presetX), y, (LONG) std::round (presetX) + (LONG) presetWidth, y + buttonHeight };
    buttons.save = { saveX, y, saveX + saveWidth, y + buttonHeight };
    return buttons;
}

inline POINT centreOf (const RECT& area)
{
    return { (area.left + area.right) / 2, (area.top + area.bottom) / 2 };
}
} // namespace host
