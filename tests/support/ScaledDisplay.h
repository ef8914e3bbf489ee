#pragma once

#include <juce_graphics/juce_graphics.h>

#include <cstdint>
#include <map>
#include <vector>

/** A display of a test's own: Xvfb of the given size with a window manager (openbox) and, for
    a scale above 1, xsettingsd announcing it as a GNOME-style desktop does
    (Gdk/WindowScalingFactor). A plug-in opened on it in a fresh process meets the desktop a
    user has. Everything started is stopped with it. */
class ScaledDisplay final
{
public:
    ScaledDisplay (int width, int height, int scale);
    ~ScaledDisplay();

    /** Empty once the server, the window manager and the settings are all up; else what is not. */
    juce::String problem() const { return failure; }

    /** The X display's name, e.g. ":200". */
    juce::String displayName() const { return name; }

    /** Runs a program on this display until it ends and returns its lines as "key" -> "rest"
        (the last of each key, "exit" -> its exit code, "assertion" -> the framework's last
        assertion failure, if any). */
    std::map<juce::String, juce::String> run (const juce::StringArray& command) const;

private:
    void waitUntilReady (int scale);

    juce::String name, failure;
    juce::ChildProcess server, windowManager, settings;
    juce::File settingsFile;
};

/** A picture a probe saved (binary PPM), 8-bit RGB. */
struct Picture
{
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;

    static Picture load (const juce::File& file);

    /** Each 2 x 2 block averaged into one pixel. */
    Picture halved() const;

    /** Mean absolute difference per channel (0..255) from another picture of the same size,
        over the given area. */
    double differenceFrom (const Picture& other, juce::Rectangle<int> area) const;

    /** The share of 2 x 2 blocks whose pixels differ visibly: 0 for a picture of half the size
        stretched, more where text and lines were drawn at the full resolution. */
    double fineDetail() const;

    bool isEmpty() const noexcept { return width <= 0 || height <= 0; }
};

/** "W H" from a probe's line as a size. */
juce::Point<int> sizeFromProbe (const std::map<juce::String, juce::String>& probe, const juce::String& key);
