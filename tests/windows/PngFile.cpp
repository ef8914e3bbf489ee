#include "PngFile.h"

#include <fstream>
#include <stdexcept>
#include <zlib.h>

namespace host
{
namespace
{
void put32 (std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += (char) ((v >> shift) & 0xff);
}

void chunk (std::string& out, const char* type, const std::string& body)
{
    put32 (out, (uint32_t) body.size());
    const auto start = out.size();
    out += type;
    out += body;
    put32 (out, (uint32_t) crc32 (0, reinterpret_cast<const Bytef*> (out.data() + start), (uInt) (out.size() - start)));
}
} // namespace

void writePng (const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    if ((size_t) width * (size_t) height * 3 != rgb.size())
        throw std::runtime_error ("pixel count does not match the size");

    // Each row starts with its filter type, 0 (none).
    std::string raw;
    raw.reserve ((size_t) height * ((size_t) width * 3 + 1));
    for (int y = 0; y < height; ++y)
    {
        raw += '\0';
        raw.append (reinterpret_cast<const char*> (rgb.data()) + (size_t) y * (size_t) width * 3, (size_t) width * 3);
    }

    auto compressedSize = compressBound ((uLong) raw.size());
    std::string compressed (compressedSize, '\0');
    if (compress2 (reinterpret_cast<Bytef*> (compressed.data()), &compressedSize, reinterpret_cast<const Bytef*> (raw.data()), (uLong) raw.size(), 6) != Z_OK)
        throw std::runtime_error ("compression failed");
    compressed.resize (compressedSize);

    std::string header;
    put32 (header, (uint32_t) width);
    put32 (header, (uint32_t) height);
    header += (char) 8; // bit depth
    header += (char) 2; // colour type: RGB
    header += std::string (3, '\0'); // compression, filter, interlace

    std::string png = "\x89PNG\r\n\x1a\n";
    chunk (png, "IHDR", header);
    chunk (png, "IDAT", compressed);
    chunk (png, "IEND", {});

    std::ofstream file (path, std::ios::binary);
    file.write (png.data(), (std::streamsize) png.size());
    if (! file)
        throw std::runtime_error ("cannot write " + path);
}
} // namespace host
