#pragma once

// The host's side of a plug-in editor on Windows: a top-level window the editor's view is
// attached to, the message loop, and the mouse, keyboard and screen as a user would use them.

#include "VstHost.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

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

/** The display scale this test run is for (1.0 at 100 %), from KRAVELL_DISPLAY_SCALE (percent). */
double displayScale();

/** The display scale this Windows runs at, read from the system's DPI (1.0 at 96 DPI). */
double systemScale();

/** A length in logical pixels as a length in physical ones, at a scale. */
inline int physical (double logicalLength, double scale) { return (int) std::lround (logicalLength * scale); }

/** A drag with the left button held, from one point of a window's client area to another, in
    steps, as the mouse driver delivers one. */
void dragFrom (HWND window, POINT from, POINT to);

/** How a host treats the view: whether it gives it a frame to ask for sizes through
    (IPlugFrame::resizeView) and whether it tells it the display's scale
    (IPlugViewContentScaleSupport, 0 for a host that leaves the plug-in to find it). */
struct HostBehaviour
{
    bool givesFrame = false;
    double announcedScale = 0.0;
};

/** A resizable top-level window holding one plug-in view. */
class EditorWindow
{
public:
    /** Creates the view, sizes a new window to it and attaches the view; with a frame and an
        announced scale, in the order DAWs use: frame, scale, size, window, attach. */
    explicit EditorWindow (IEditController& controller, HostBehaviour behaviour = {});
    ~EditorWindow();

    IPlugView* view() const noexcept { return plugView; }
    HWND window() const noexcept { return hostWindow; }

    /** The plug-in's own window inside ours. */
    HWND pluginWindow() const;

    /** Resizes the way a host does after the user drags the frame: the requested client size
        is passed through checkSizeConstraint, the window takes the allowed size and the view
        is told with onSize. Returns the allowed size. */
    ViewRect resizeTo (int width, int height);

    bool attachedOk() const noexcept { return attachResult == kResultOk; }

    /** What getSize answered before the view was attached: the size the window was made with. */
    ViewRect openingSize() const noexcept { return sizeBeforeAttaching; }

    /** Announces a new display scale, as a host does when its window moves to another monitor;
        false when the view does not take it. */
    bool announceScale (double scale);

    /** The sizes the view asked for through the frame, oldest first. */
    const std::vector<ViewRect>& resizeRequests() const noexcept { return frame.requests; }

    /** Detaches the view (IPlugView::removed) and releases it; the window closes. */
    tresult close();

private:
    /** The host's side of view resizing: the window takes the asked size, then the view is told. */
    class Frame final : public IPlugFrame
    {
    public:
        explicit Frame (EditorWindow& ownerWindow) :
            owner (ownerWindow) { }
        tresult PLUGIN_API queryInterface (const TUID iid, void** object) override;
        uint32 PLUGIN_API addRef() override { return 1; }
        uint32 PLUGIN_API release() override { return 1; }
        tresult PLUGIN_API resizeView (IPlugView* view, ViewRect* newSize) override;

        std::vector<ViewRect> requests;

    private:
        EditorWindow& owner;
    };

    void fitWindowTo (const ViewRect& size);

    IPlugView* plugView = nullptr;
    HWND hostWindow = nullptr;
    Frame frame { *this };
    ViewRect sizeBeforeAttaching {};
    tresult attachResult = kResultFalse;
};
} // namespace host
