#pragma once

// The host's side of a plug-in editor on Windows: a top-level window the editor's view is
// attached to, the message loop, and the mouse, keyboard and screen as a user would use them.

#include "VstHost.h"
#include "pluginterfaces/gui/iplugview.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>

namespace host
{
/** Runs the thread's message loop for the given time. */
void pumpMessages (std::chrono::milliseconds duration);

/** Pumps until the condition holds or the time is up; returns the condition's last answer. */
bool pumpUntil (const std::function<bool()>& condition, std::chrono::milliseconds timeout);

/** A visible top-level window of this thread with exactly this title, or nullptr. */
HWND findThreadWindow (const std::wstring& title);

/** The visible top-level windows of this thread. */
std::vector<HWND> threadWindows();

/** A left click at a point in a window's client area, sent as the window receives one. */
void clickAt (HWND window, POINT clientPoint);

/** A key press and release (a virtual-key code) sent to a window. */
void pressKey (HWND window, UINT virtualKey);

/** Characters typed into a window, as the keyboard driver delivers them (WM_CHAR). */
void typeText (HWND window, const std::wstring& text);

/** The pixels of a window's client area as RGB rows, top to bottom. */
std::vector<uint8_t> capture (HWND window, int& width, int& height);

/** The client size of a window. */
SIZE clientSize (HWND window);

/** A resizable top-level window holding one plug-in view. */
class EditorWindow
{
public:
    /** Creates the view, sizes a new window to it and attaches the view. */
    explicit EditorWindow (IEditController& controller);
    ~EditorWindow();

    IPlugView* view() const noexcept { return plugView; }
    HWND window() const noexcept { return frame; }

    /** The plug-in's own window inside ours. */
    HWND pluginWindow() const;

    /** Resizes the way a host does after the user drags the frame: the requested client size
        is passed through checkSizeConstraint, the window takes the allowed size and the view
        is told with onSize. Returns the allowed size. */
    ViewRect resizeTo (int width, int height);

    bool attachedOk() const noexcept { return attachResult == kResultOk; }

    /** Detaches the view (IPlugView::removed) and releases it; the window closes. */
    tresult close();

private:
    IPlugView* plugView = nullptr;
    HWND frame = nullptr;
    tresult attachResult = kResultFalse;
};
} // namespace host
