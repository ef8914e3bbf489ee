#pragma once

#include <algorithm>
#include <cmath>

namespace layout
{
/** An area in an editor's own pixels. */
struct Area
{
    int left = 0, top = 0, right = 0, bottom = 0;
    int centreX() const { return (left + right) / 2; }
    int centreY() const { return (top + bottom) / 2; }
};

/** Where the editor's menu bar puts its preset and Save buttons in an editor of the given
    size: the bar is the top 9 % of the editor, laid out as MenuBar::resized does. Tests from
    outside the process click there as a user would; if the layout changes, this must follow. */
struct MenuBarButtons
{
    Area presets, save;
};

/** The menu bar's height in an editor of the given height: the rest is the panel. */
inline int menuBarHeightFor (int editorHeight)
{
    return (int) std::round ((float) editorHeight * 0.09f);
}

/** A point in an editor's own pixels. */
struct Point
{
    int x = 0, y = 0;
};

/** A place in the panel's 1256 x 710 layout (below the menu bar) in an editor of the given size. */
inline Point panelPointFor (int width, int height, double panelX, double panelY)
{
    const auto bar = menuBarHeightFor (height);
    return { (int) std::lround (width * (panelX / 1256.0)), (int) std::lround (bar + (height - bar) * (panelY / 710.0)) };
}

/** The centre of the Attack knob, the first of the panel's left column (at (67, 143) and 110
    pixels wide in the panel's layout), and of its value read-out under it. */
inline Point attackKnobCentreFor (int width, int height) { return panelPointFor (width, height, 122.0, 198.0); }
inline Point attackReadoutFor (int width, int height) { return panelPointFor (width, height, 122.0, 262.0); }

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
    buttons.presets = { (int) std::round (presetX), y, (int) std::round (presetX) + (int) presetWidth, y + buttonHeight };
    buttons.save = { saveX, y, saveX + saveWidth, y + buttonHeight };
    return buttons;
}
} // namespace layout
