#pragma once

#include <cstdint>
#include <vector>

/** The pixels the X server shows in a window right now (0x00RRGGBB, row by row), read back
    with XGetImage after every request so far has been handled: what a user sees, whatever
    the program believes it painted. Empty if the window cannot be read. Kept apart from the
    framework's headers, whose names Xlib's macros would clash with. */
std::vector<std::uint32_t> windowPixels (void* nativeWindow, int width, int height);
