#pragma once

#include "host/damaged/RawHost.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <random>

/** What the module writes, and damaged copies of it as a host could hand them back. */
namespace damaged
{
/** The component state's layout: the plug-in's blob, then the wrapper's private data and
    its trailer (a 64-bit size and the identifier). */
struct StateLayout
{
    size_t pluginBlobSize = 0;  // magic, length, XML, terminating zero
    size_t trailerStart = 0;    // where the 64-bit size begins
    size_t size = 0;

    static StateLayout of (const juce::MemoryBlock& state)
    {
        StateLayout layout;
        layout.size = state.getSize();
        const auto* bytes = static_cast<const char*> (state.getData());
        layout.pluginBlobSize = 8 + (size_t) juce::ByteOrder::littleEndianInt (bytes + 4) + 1;
        layout.trailerStart = layout.size - 15 - 8;
        return layout;
    }
};

/** The state with its trailer's stored size replaced. */
inline juce::MemoryBlock withTrailerSize (const juce::MemoryBlock& state, juce::uint64 storedSize)
{
    auto copy = state;
    const auto layout = StateLayout::of (state);
    const auto littleEndian = juce::ByteOrder::swapIfBigEndian (storedSize);
    copy.copyFrom (&littleEndian, (int) layout.trailerStart, sizeof (littleEndian));
    return copy;
}

/** The plug-in's own blob followed by the given private data, framed as the wrapper frames it. */
inline juce::MemoryBlock withPrivateData (const juce::MemoryBlock& state, const juce::MemoryBlock& privateData)
{
    juce::MemoryOutputStream out;
    out.write (state.getData(), StateLayout::of (state).pluginBlobSize);
    out.writeInt64 (0);
    out.write (privateData.getData(), privateData.getSize());
    out.writeInt64 ((juce::int64) privateData.getSize());
    out << "JUCEPrivateData";
    return out.getMemoryBlock();
}

enum class Mutation
{
    bitFlips,
    truncation,
    insertedJunk,
    deletedSpan,
    overwrittenBytes,
    trailerSize,
    count
};

inline const char* nameOf (Mutation m)
{
    switch (m)
    {
        case Mutation::bitFlips: return "bit flips";
        case Mutation::truncation: return "truncation";
        case Mutation::insertedJunk: return "inserted junk";
        case Mutation::deletedSpan: return "deleted span";
        case Mutation::overwrittenBytes: return "overwritten bytes";
        case Mutation::trailerSize: return "trailer size";
        case Mutation::count: break;
    }
    return "?";
}

/** Seeded mutations of one valid state. Half of the positions fall in the wrapper's private
    data and trailer, the part the wrapper parses before the plug-in sees anything. */
class Mutator
{
public:
    Mutator (const juce::MemoryBlock& stateIn, unsigned seed)
        : state (stateIn), layout (StateLayout::of (stateIn)), random (seed) {}

    juce::MemoryBlock make (Mutation kind)
    {
        std::vector<unsigned char> bytes (static_cast<const unsigned char*> (state.getData()),
                                          static_cast<const unsigned char*> (state.getData()) + state.getSize());
        switch (kind)
        {
            case Mutation::bitFlips:
                for (int n = 1 + below (8); --n >= 0;)
                    bytes[position (bytes.size())] ^= (unsigned char) (1u << below (8));
                break;

            case Mutation::truncation:
                bytes.resize ((size_t) below ((int) bytes.size()));
                break;

            case Mutation::insertedJunk:
            {
                std::vector<unsigned char> junk ((size_t) 1 + (size_t) below (64));
                for (auto& b : junk)
                    b = (unsigned char) below (256);
                const auto at = position (bytes.size() + 1);
                bytes.insert (bytes.begin() + (std::ptrdiff_t) at, junk.begin(), junk.end());
                break;
            }

            case Mutation::deletedSpan:
            {
                const auto at = position (bytes.size());
                const auto length = std::min (bytes.size() - at, (size_t) 1 + (size_t) below (48));
                bytes.erase (bytes.begin() + (std::ptrdiff_t) at, bytes.begin() + (std::ptrdiff_t) (at + length));
                break;
            }

            case Mutation::overwrittenBytes:
            {
                static const unsigned char interesting[] = { 0x00, 0xff, 0x7f, 0x80, 0x01, 0xfe, 0xc0, 0xf4 };
                for (int n = 1 + below (4); --n >= 0;)
                    bytes[position (bytes.size())] = interesting[below (8)];
                break;
            }

            case Mutation::trailerSize:
            {
                const auto stored = (juce::int64) (layout.trailerStart - layout.pluginBlobSize - 8);
                const juce::int64 candidates[] = { stored + 1 + below (1 << 20), stored - 1 - below ((int) stored),
                                                   -1 - below (1 << 30), (juce::int64) random(), std::numeric_limits<juce::int64>::min() + below (16) };
                const auto value = (juce::uint64) candidates[below (5)];
                for (size_t i = 0; i < 8; ++i)
                    bytes[layout.trailerStart + i] = (unsigned char) (value >> (8 * i));
                break;
            }

            case Mutation::count:
                break;
        }
        return { bytes.data(), bytes.size() };
    }

    int below (int n) { return n <= 0 ? 0 : (int) (random() % (unsigned) n); }

private:
    size_t position (size_t size)
    {
        if (size == 0)
            return 0;
        const auto inTail = random() % 2 == 0 && size > layout.pluginBlobSize;
        return inTail ? layout.pluginBlobSize + random() % (size - layout.pluginBlobSize) : random() % size;
    }

    juce::MemoryBlock state;
    StateLayout layout;
    std::mt19937 random;
};
} // namespace damaged
