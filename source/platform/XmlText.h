#pragma once

#include <juce_core/juce_core.h>

/** Whether the bytes are well-formed UTF-8: every lead byte is followed by exactly its number
    of continuation bytes. (The framework's own check accepts a lead byte followed by an ASCII
    character.) */
inline bool isStrictUtf8 (const juce::uint8* bytes, size_t size) noexcept
{
    for (size_t i = 0; i < size;)
    {
        const auto lead = bytes[i];
        const int extra = lead < 0x80 ? 0 : (lead >= 0xc2 && lead < 0xe0) ? 1 : (lead >= 0xe0 && lead < 0xf0) ? 2 : (lead >= 0xf0 && lead <= 0xf4) ? 3 : -1;
        if (extra < 0 || i + (size_t) extra >= size)
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((bytes[i + (size_t) k] & 0xc0) != 0x80)
                return false;
        i += (size_t) extra + 1;
    }
    return true;
}

/** Parses XML from raw bytes only when they are well-formed UTF-8. The framework's parser
    steps over a multi-byte sequence by its lead byte alone, so a malformed sequence can carry
    it past the end of its buffer: a corrupt state blob or preset file must never reach it. */
inline std::unique_ptr<juce::XmlElement> parseXmlFromUtf8 (const void* data, size_t size)
{
    auto* bytes = static_cast<const char*> (data);
    if (size >= 3 && (juce::uint8) bytes[0] == 0xef && (juce::uint8) bytes[1] == 0xbb && (juce::uint8) bytes[2] == 0xbf)
    {
        bytes += 3; // a byte-order mark
        size -= 3;
    }

    // Text ends at its first zero byte, as the framework's strings do.
    size = (size_t) (std::find (bytes, bytes + size, '\0') - bytes);

    if (size == 0 || size > (size_t) std::numeric_limits<int>::max() || ! isStrictUtf8 (reinterpret_cast<const juce::uint8*> (bytes), size))
        return {};

    return juce::XmlDocument::parse (juce::String::fromUTF8 (bytes, (int) size));
}
