#pragma once

#include <windows.h>

#include "../support/EditorLayout.h"

#include <cmath>

namespace host
{
using layout::menuBarHeightFor;

/** The menu bar's preset and Save buttons in an editor of the given size, in Windows' terms. */
struct MenuBarButtons
{
    RECT presets, save;
};

/** The centre of the Attack knob, the first of the panel's left column. */
inline POINT attackKnobCentreFor (int width, int height)
{
    const auto centre = layout::attackKnobCentreFor (width, height);
    return { centre.x, centre.y };
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
