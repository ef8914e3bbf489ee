#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host
{
/** Writes 8-bit RGB pixels (rows top to bottom, 3 bytes a pixel) as a PNG file. */
void writePng (const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);
} // namespace host
