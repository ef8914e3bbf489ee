#pragma once

// What a plug-in's editor made of a host's window, as the X server shows it: for the probes
// that host an editor in a fresh process. Xlib only, so a probe can include it after whatever
// else it needs.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

namespace windowcapture
{
/** Prints "window W H" for the host's window and "child W H" for the window the plug-in put
    into it (the first of its children: the editor's own). */
inline void printGeometry (Display* display, Window hostWindow)
{
    XSync (display, False);
    XWindowAttributes attributes {};
    XGetWindowAttributes (display, hostWindow, &attributes);
    std::printf ("window %d %d\n", attributes.width, attributes.height);

    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree (display, hostWindow, &root, &parent, &children, &count) != 0 && count > 0)
    {
        XWindowAttributes child {};
        XGetWindowAttributes (display, children[0], &child);
        std::printf ("child %d %d\n", child.width, child.height);
    }
    if (children != nullptr)
        XFree (children);
}

/** Saves what the X server shows in the host's window (the plug-in's window included) as a
    binary PPM; prints "picture" once it is written. */
inline void savePicture (Display* display, Window hostWindow, const char* path)
{
    XSync (display, False);
    XWindowAttributes attributes {};
    if (XGetWindowAttributes (display, hostWindow, &attributes) == 0 || attributes.map_state != IsViewable)
        return;

    // A window reaching beyond the screen cannot be read: no picture then, rather than an
    // X error ending the probe before it has printed what it saw.
    const auto previousHandler = XSetErrorHandler ([] (Display*, XErrorEvent*) { return 0; });
    auto* image = XGetImage (display, hostWindow, 0, 0, (unsigned) attributes.width, (unsigned) attributes.height, AllPlanes, ZPixmap);
    XSync (display, False);
    XSetErrorHandler (previousHandler);
    if (image == nullptr)
        return;
    if (auto* file = std::fopen (path, "wb"))
    {
        std::fprintf (file, "P6\n%d %d\n255\n", attributes.width, attributes.height);
        for (int y = 0; y < attributes.height; ++y)
            for (int x = 0; x < attributes.width; ++x)
            {
                const auto pixel = XGetPixel (image, x, y);
                const unsigned char rgb[] = { (unsigned char) (pixel >> 16), (unsigned char) (pixel >> 8), (unsigned char) pixel };
                std::fwrite (rgb, 1, 3, file);
            }
        std::fclose (file);
        std::printf ("picture\n");
    }
    XDestroyImage (image);
}
} // namespace windowcapture
