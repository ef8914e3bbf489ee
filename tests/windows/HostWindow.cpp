#include "HostWindow.h"

#include <stdexcept>
#include <thread>

// The view interfaces' IDs that this host uses, which none of the SDK's hosting sources define.
namespace Steinberg
{
DEF_CLASS_IID (IPlugFrame)
DEF_CLASS_IID (IPlugViewContentScaleSupport)
} // namespace Steinberg

namespace host
{
void pumpMessages (std::chrono::milliseconds duration)
{
    pumpUntil ([]
               { return false; },
               duration);
}

bool pumpUntil (const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;)
    {
        MSG message;
        while (PeekMessageW (&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage (&message);
            DispatchMessageW (&message);
        }
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    }
}

std::vector<HWND> threadWindows()
{
    std::vector<HWND> windows;
    EnumThreadWindows (
        GetCurrentThreadId(),
        [] (HWND window, LPARAM found) -> BOOL
        {
            if (IsWindowVisible (window))
                reinterpret_cast<std::vector<HWND>*> (found)->push_back (window);
            return TRUE;
        },
        reinterpret_cast<LPARAM> (&windows));
    return windows;
}

HWND findThreadWindow (const std::wstring& title)
{
    for (auto* window : threadWindows())
    {
        wchar_t text[256] = {};
        GetWindowTextW (window, text, 255);
        if (title == text)
            return window;
    }
    return nullptr;
}

void clickAt (HWND window, POINT clientPoint)
{
    const auto position = MAKELPARAM (clientPoint.x, clientPoint.y);
    POINT screen = clientPoint;
    ClientToScreen (window, &screen);
    SetCursorPos (screen.x, screen.y);
    PostMessageW (window, WM_MOUSEMOVE, 0, position);
    pumpMessages (std::chrono::milliseconds (100));
    PostMessageW (window, WM_LBUTTONDOWN, MK_LBUTTON, position);
    pumpMessages (std::chrono::milliseconds (80));
    PostMessageW (window, WM_LBUTTONUP, 0, position);
    pumpMessages (std::chrono::milliseconds (100));
}

void dragFrom (HWND window, POINT from, POINT to)
{
    const auto send = [window] (UINT message, WPARAM buttons, POINT point)
    {
        POINT screen = point;
        ClientToScreen (window, &screen);
        SetCursorPos (screen.x, screen.y);
        PostMessageW (window, message, buttons, MAKELPARAM (point.x, point.y));
        pumpMessages (std::chrono::milliseconds (30));
    };
    send (WM_MOUSEMOVE, 0, from);
    send (WM_LBUTTONDOWN, MK_LBUTTON, from);
    constexpr int steps = 10;
    for (int i = 1; i <= steps; ++i)
        send (WM_MOUSEMOVE, MK_LBUTTON, { from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps });
    send (WM_LBUTTONUP, 0, to);
    pumpMessages (std::chrono::milliseconds (100));
}

void pressKey (HWND window, UINT virtualKey)
{
    const auto scanCode = MapVirtualKeyW (virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW (window, WM_KEYDOWN, virtualKey, (LPARAM) (1 | (scanCode << 16)));
    PostMessageW (window, WM_KEYUP, virtualKey, (LPARAM) (1 | (scanCode << 16) | (1u << 30) | (1u << 31)));
    pumpMessages (std::chrono::milliseconds (150));
}

void typeText (HWND window, const std::wstring& text)
{
    for (auto character : text)
    {
        const auto virtualKey = (UINT) (VkKeyScanW (character) & 0xff);
        const auto scanCode = MapVirtualKeyW (virtualKey, MAPVK_VK_TO_VSC);
        PostMessageW (window, WM_CHAR, (WPARAM) character, (LPARAM) (1 | (scanCode << 16)));
        pumpMessages (std::chrono::milliseconds (30));
    }
}

double displayScale()
{
    const auto percent = environment ("KRAVELL_DISPLAY_SCALE");
    return percent.empty() ? 1.0 : std::stod (percent) / 100.0;
}

double systemScale()
{
    auto* screen = GetDC (nullptr);
    const auto dpi = GetDeviceCaps (screen, LOGPIXELSX);
    ReleaseDC (nullptr, screen);
    return dpi / 96.0;
}

SIZE clientSize (HWND window)
{
    RECT area {};
    GetClientRect (window, &area);
    return { area.right - area.left, area.bottom - area.top };
}

std::vector<uint8_t> capture (HWND window, int& width, int& height)
{
    const auto size = clientSize (window);
    width = size.cx;
    height = size.cy;

    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof (info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    auto* screen = GetDC (window);
    auto* memory = CreateCompatibleDC (screen);
    void* bits = nullptr;
    auto* bitmap = CreateDIBSection (screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* previous = SelectObject (memory, bitmap);
    BitBlt (memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();

    std::vector<uint8_t> rgb ((size_t) width * (size_t) height * 3);
    const auto* bgra = static_cast<const uint8_t*> (bits);
    for (size_t i = 0; i < (size_t) width * (size_t) height; ++i)
    {
        rgb[i * 3 + 0] = bgra[i * 4 + 2];
        rgb[i * 3 + 1] = bgra[i * 4 + 1];
        rgb[i * 3 + 2] = bgra[i * 4 + 0];
    }

    SelectObject (memory, previous);
    DeleteObject (bitmap);
    DeleteDC (memory);
    ReleaseDC (window, screen);
    return rgb;
}

//==============================================================================
namespace
{
constexpr auto windowClassName = L"KravellTestHostWindow";
constexpr DWORD frameStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

void registerWindowClass()
{
    static const bool registered = []
    {
        WNDCLASSW windowClass {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW (nullptr);
        windowClass.hCursor = LoadCursorW (nullptr, IDC_ARROW);
        windowClass.hbrBackground = (HBRUSH) GetStockObject (BLACK_BRUSH);
        windowClass.lpszClassName = windowClassName;
        return RegisterClassW (&windowClass) != 0;
    }();
    if (! registered)
        throw std::runtime_error ("cannot register the host window class");
}

RECT frameFor (int width, int height)
{
    RECT area { 0, 0, width, height };
    AdjustWindowRect (&area, frameStyle, FALSE);
    return area;
}
} // namespace

EditorWindow::EditorWindow (IEditController& controller, HostBehaviour behaviour)
{
    plugView = controller.createView (ViewType::kEditor);
    if (plugView == nullptr)
        throw std::runtime_error ("the controller creates no editor view");
    if (plugView->isPlatformTypeSupported (kPlatformTypeHWND) != kResultTrue)
        throw std::runtime_error ("the editor cannot live in a Windows window");

    if (behaviour.givesFrame)
        plugView->setFrame (&frame);
    if (behaviour.announcedScale > 0.0 && ! announceScale (behaviour.announcedScale))
        throw std::runtime_error ("the view does not take a content scale factor");

    plugView->getSize (&sizeBeforeAttaching);

    registerWindowClass();
    const auto area = frameFor (sizeBeforeAttaching.getWidth(), sizeBeforeAttaching.getHeight());
    hostWindow = CreateWindowExW (0, windowClassName, L"Kravell (test host)", frameStyle, 10, 10, area.right - area.left, area.bottom - area.top, nullptr, nullptr, GetModuleHandleW (nullptr), nullptr);
    if (hostWindow == nullptr)
        throw std::runtime_error ("cannot create the host window");
    ShowWindow (hostWindow, SW_SHOW);
    attachResult = plugView->attached ((void*) hostWindow, kPlatformTypeHWND);
}

EditorWindow::~EditorWindow()
{
    close();
}

HWND EditorWindow::pluginWindow() const
{
    return hostWindow != nullptr ? GetWindow (hostWindow, GW_CHILD) : nullptr;
}

bool EditorWindow::announceScale (double scale)
{
    IPlugViewContentScaleSupport* scaling = nullptr;
    if (plugView->queryInterface (IPlugViewContentScaleSupport::iid, (void**) &scaling) != kResultOk || scaling == nullptr)
        return false;
    const auto result = scaling->setContentScaleFactor ((IPlugViewContentScaleSupport::ScaleFactor) scale);
    scaling->release();
    return result == kResultTrue;
}

void EditorWindow::fitWindowTo (const ViewRect& size)
{
    const auto area = frameFor (size.getWidth(), size.getHeight());
    SetWindowPos (hostWindow, nullptr, 0, 0, area.right - area.left, area.bottom - area.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

tresult PLUGIN_API EditorWindow::Frame::queryInterface (const TUID iid, void** object)
{
    if (FUnknownPrivate::iidEqual (iid, IPlugFrame::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
    {
        *object = this;
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

tresult PLUGIN_API EditorWindow::Frame::resizeView (IPlugView* view, ViewRect* newSize)
{
    if (view == nullptr || newSize == nullptr || view != owner.plugView)
        return kInvalidArgument;
    requests.push_back (*newSize);
    if (owner.hostWindow != nullptr)
        owner.fitWindowTo (*newSize);
    return view->onSize (newSize);
}

ViewRect EditorWindow::resizeTo (int width, int height)
{
    ViewRect rect { 0, 0, width, height };
    plugView->checkSizeConstraint (&rect);
    fitWindowTo (rect);
    plugView->onSize (&rect);
    return rect;
}

tresult EditorWindow::close()
{
    tresult result = kResultOk;
    if (plugView != nullptr)
    {
        if (attachResult == kResultOk)
            result = plugView->removed();
        plugView->setFrame (nullptr);
        plugView->release();
        plugView = nullptr;
    }
    if (hostWindow != nullptr)
    {
        DestroyWindow (hostWindow);
        hostWindow = nullptr;
    }
    return result;
}
} // namespace host
