#pragma once

#include "VstHost.h"

namespace host
{
/** A WAV file's sample rate and deinterleaved samples as floats. */
struct WavFile
{
    double sampleRate = 0.0;
    Audio channels;
};

/** Reads 16- or 24-bit integer or 32-bit float PCM (plain or extensible format), scaling
    integers to +-1 the way the framework's reader does. Throws on anything else. */
WavFile readWav (const std::string& path);

/** Writes 32-bit float PCM. */
void writeWav (const std::string& path, const WavFile& wav);
} // namespace host
