#include "screen/WindowPixels.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

std::vector<std::uint32_t> windowPixels (void* nativeWindow, int width, int height)
{
    std::vector<std::uint32_t> pixels;
    auto* display = XOpenDisplay (nullptr);
    if (display == nullptr)
        return pixels;

    // Only a window that is on screen at least this large can be read; one being mapped or
    // resized is read again later (an X error would otherwise end the process).
    const auto window = (Window) reinterpret_cast<std::uintptr_t> (nativeWindow);
    XSync (display, False);
    XWindowAttributes attributes {};
    const auto readable = XGetWindowAttributes (display, window, &attributes) != 0
                       && attributes.map_state == IsViewable && attributes.width >= width && attributes.height >= height;
    if (! readable)
    {
        XCloseDisplay (display);
        return pixels;
    }

    if (auto* image = XGetImage (display, window, 0, 0, (unsigned) width, (unsigned) height, AllPlanes, ZPixmap))
    {
        pixels.reserve ((size_t) width * (size_t) height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.push_back ((std::uint32_t) (XGetPixel (image, x, y) & 0xffffffu));
        XDestroyImage (image);
    }
    XCloseDisplay (display);
    return pixels;
}
