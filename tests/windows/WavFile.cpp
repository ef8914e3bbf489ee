#include "WavFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace host
{
namespace
{
uint32_t little32 (const unsigned char* p) { return (uint32_t) p[0] | ((uint32_t) p[1] << 8) | ((uint32_t) p[2] << 16) | ((uint32_t) p[3] << 24); }
uint16_t little16 (const unsigned char* p) { return (uint16_t) (p[0] | (p[1] << 8)); }

void put32 (std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += (char) ((v >> (8 * i)) & 0xff);
}

void put16 (std::string& out, uint16_t v)
{
    out += (char) (v & 0xff);
    out += (char) (v >> 8);
}
} // namespace

WavFile readWav (const std::string& path)
{
    std::ifstream file (path, std::ios::binary);
    const std::string bytes ((std::istreambuf_iterator<char> (file)), std::istreambuf_iterator<char>());
    const auto* data = reinterpret_cast<const unsigned char*> (bytes.data());
    if (bytes.size() < 12 || std::memcmp (data, "RIFF", 4) != 0 || std::memcmp (data + 8, "WAVE", 4) != 0)
        throw std::runtime_error (path + " is not a WAV file");

    int format = 0, channels = 0, bits = 0;
    WavFile wav;
    for (size_t pos = 12; pos + 8 <= bytes.size();)
    {
        const auto size = little32 (data + pos + 4);
        const auto* body = data + pos + 8;
        if (pos + 8 + size > bytes.size())
            throw std::runtime_error (path + " is truncated");

        if (std::memcmp (data + pos, "fmt ", 4) == 0 && size >= 16)
        {
            format = little16 (body);
            channels = little16 (body + 2);
            wav.sampleRate = little32 (body + 4);
            bits = little16 (body + 14);
            if (format == 0xfffe && size >= 26)
                format = little16 (body + 24); // the extensible format's sub-format
        }
        else if (std::memcmp (data + pos, "data", 4) == 0)
        {
            if (channels < 1 || ! ((format == 1 && (bits == 16 || bits == 24)) || (format == 3 && bits == 32)))
                throw std::runtime_error (path + ": unsupported sample format");
            const auto frameBytes = (size_t) channels * (size_t) bits / 8;
            const auto frames = size / frameBytes;
            wav.channels.assign ((size_t) channels, std::vector<float> (frames));
            for (size_t i = 0; i < frames; ++i)
            {
                for (int c = 0; c < channels; ++c)
                {
                    const auto* sample = body + i * frameBytes + (size_t) c * (size_t) bits / 8;
                    float value = 0.0f;
                    if (format == 3)
                        std::memcpy (&value, sample, 4);
                    else if (bits == 24)
                        value = (float) ((int32_t) ((uint32_t) sample[0] << 8 | (uint32_t) sample[1] << 16 | (uint32_t) sample[2] << 24) >> 8) / 8388608.0f;
                    else
                        value = (float) (int16_t) little16 (sample) / 32768.0f;
                    wav.channels[(size_t) c][i] = value;
                }
            }
            return wav;
        }
        pos += 8 + size + (size & 1);
    }
    throw std::runtime_error (path + " has no audio data");
}

void writeWav (const std::string& path, const WavFile& wav)
{
    const auto channels = (uint16_t) wav.channels.size();
    const auto frames = channels > 0 ? (uint32_t) wav.channels.front().size() : 0u;
    const auto dataBytes = frames * channels * 4u;

    std::string out = "RIFF";
    put32 (out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32 (out, 16);
    put16 (out, 3);
    put16 (out, channels);
    put32 (out, (uint32_t) wav.sampleRate);
    put32 (out, (uint32_t) wav.sampleRate * channels * 4u);
    put16 (out, (uint16_t) (channels * 4));
    put16 (out, 32);
    out += "data";
    put32 (out, dataBytes);
    for (uint32_t i = 0; i < frames; ++i)
    {
        for (const auto& channel : wav.channels)
        {
            char sample[4];
            std::memcpy (sample, &channel[i], 4);
            out.append (sample, 4);
        }
    }

    std::ofstream file (path, std::ios::binary);
    file.write (out.data(), (std::streamsize) out.size());
    if (! file)
        throw std::runtime_error ("cannot write " + path);
}
} // namespace host
