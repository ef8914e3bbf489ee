#pragma once

#include <windows.h>

#include "../support/MenuBarLayout.h"

#include <cmath>

namespace host
{
using layout::menuBarHeightFor;

/** The menu bar's preset and Save buttons in an editor of the given size, in Windows' terms. */
struct MenuBarButtons
{
    RECT presets, save;
};

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
    const auto toRect = [] (const layout::Area& area) { return RECT { area.left, area.top, area.right, area.bottom }; };
    const auto buttons = layout::menuBarButtonsFor (width, height);
    return { toRect (buttons.presets), toRect (buttons.save) };
}

inline POINT centreOf (const RECT& area)
{
    return { (area.left + area.right) / 2, (area.top + area.bottom) / 2 };
}
} // namespace host
