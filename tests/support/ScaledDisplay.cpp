#include "support/ScaledDisplay.h"

// After the framework's headers: Xlib's macros would clash with their names.
#include <X11/Xlib.h>

namespace
{
/** Polls until the condition holds or about ten seconds pass. */
template <typename Condition>
bool waitFor (Condition&& condition)
{
    for (int i = 0; i < 500; ++i)
    {
        if (condition())
            return true;
        juce::Thread::sleep (20);
    }
    return false;
}

bool hasOwner (::Display* display, const char* selection)
{
    const auto atom = XInternAtom (display, selection, False);
    return XGetSelectionOwner (display, atom) != None;
}

bool hasRootProperty (::Display* display, const char* name)
{
    const auto atom = XInternAtom (display, name, True);
    if (atom == None)
        return false;
    int count = 0;
    auto* properties = XListProperties (display, DefaultRootWindow (display), &count);
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || properties[i] == atom;
    if (properties != nullptr)
        XFree (properties);
    return found;
}
} // namespace

ScaledDisplay::ScaledDisplay (int width, int height, int scale)
{
    // The server picks a free display itself and names it once it accepts connections, so
    // tests starting displays side by side never meet on one.
    // -noreset: the server would otherwise start over whenever its last client left, turning
    // away a client that connects meanwhile.
    if (! server.start (juce::StringArray { "Xvfb", "-displayfd", "1", "-noreset", "-screen", "0", juce::String (width) + "x" + juce::String (height) + "x24", "-nolisten", "tcp" }, juce::ChildProcess::wantStdOut))
    {
        failure = "Xvfb did not start";
        return;
    }
    char number[16] = {};
    const auto length = server.readProcessOutput (number, (int) sizeof (number) - 1);
    if (length <= 0 || ! juce::CharacterFunctions::isDigit (number[0]))
    {
        failure = "Xvfb did not open a display";
        return;
    }
    name = ":" + juce::String (number).trim();

    windowManager.start (juce::StringArray { "env", "DISPLAY=" + name, "openbox" }, 0);
    if (scale > 1)
    {
        settingsFile = juce::File::createTempFile (".xsettingsd");
        settingsFile.replaceWithText ("Gdk/WindowScalingFactor " + juce::String (scale) + "\n");
        settings.start (juce::StringArray { "env", "DISPLAY=" + name, "xsettingsd", "-c", settingsFile.getFullPathName() }, 0);
    }
    waitUntilReady (scale);
}

void ScaledDisplay::waitUntilReady (int scale)
{
    auto* display = XOpenDisplay (name.toRawUTF8());
    if (display == nullptr)
    {
        failure = "cannot open " + name;
        return;
    }
    if (! waitFor ([display] { return hasRootProperty (display, "_NET_WORKAREA"); }))
        failure = "no window manager on " + name;
    else if (scale > 1 && ! waitFor ([display] { return hasOwner (display, "_XSETTINGS_S0"); }))
        failure = "xsettingsd did not take over the settings on " + name;
    XCloseDisplay (display);

    // The window manager goes on setting the root window's properties for a moment after it
    // first publishes its work area. A change that reaches a probe while it tears its editor
    // down leaves the framework an update pending on the host's thread, which it asserts
    // against: the probes start on a settled desktop, as a host does.
    juce::Thread::sleep (750);
}

ScaledDisplay::~ScaledDisplay()
{
    for (auto* process : { &settings, &windowManager, &server })
        if (process->isRunning())
        {
            process->kill();
            process->waitForProcessToFinish (5000);
        }
    settingsFile.deleteFile();
}

std::map<juce::String, juce::String> ScaledDisplay::run (const juce::StringArray& command) const
{
    std::map<juce::String, juce::String> result;
    juce::ChildProcess process;
    juce::StringArray onThisDisplay { "env", "DISPLAY=" + name };
    onThisDisplay.addArray (command);
    if (! process.start (onThisDisplay, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return result;
    const auto output = process.readAllProcessOutput();
    process.waitForProcessToFinish (30000);
    for (const auto& line : juce::StringArray::fromLines (output))
    {
        if (line.contains ("JUCE Assertion failure"))
            result["assertion"] = line;
        else
            result[line.upToFirstOccurrenceOf (" ", false, false)] = line.fromFirstOccurrenceOf (" ", false, false).trim();
    }
    result["exit"] = juce::String (process.getExitCode());
    return result;
}

Picture Picture::load (const juce::File& file)
{
    Picture picture;
    juce::MemoryBlock bytes;
    if (! file.loadFileAsData (bytes))
        return picture;

    // "P6", width, height, 255, each followed by one whitespace character.
    const auto* data = static_cast<const std::uint8_t*> (bytes.getData());
    size_t offset = 0;
    juce::StringArray header;
    for (int field = 0; field < 4; ++field)
    {
        juce::String token;
        while (offset < bytes.getSize() && data[offset] > ' ')
            token << (char) data[offset++];
        ++offset;
        header.add (token);
    }
    if (header[0] != "P6" || header[3] != "255")
        return picture;

    const auto width = header[1].getIntValue(), height = header[2].getIntValue();
    if (width <= 0 || height <= 0 || bytes.getSize() < offset + (size_t) (width * height * 3))
        return picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.assign (data + offset, data + offset + (size_t) (width * height * 3));
    return picture;
}

Picture Picture::halved() const
{
    Picture half;
    half.width = width / 2;
    half.height = height / 2;
    half.rgb.resize ((size_t) (half.width * half.height * 3));
    for (int y = 0; y < half.height; ++y)
        for (int x = 0; x < half.width; ++x)
            for (int c = 0; c < 3; ++c)
            {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += rgb[(size_t) (((2 * y + dy) * width + 2 * x + dx) * 3 + c)];
                half.rgb[(size_t) ((y * half.width + x) * 3 + c)] = (std::uint8_t) ((sum + 2) / 4);
            }
    return half;
}

double Picture::differenceFrom (const Picture& other, juce::Rectangle<int> area) const
{
    area = area.getIntersection ({ juce::jmin (width, other.width), juce::jmin (height, other.height) });
    if (area.isEmpty())
        return 255.0;
    double sum = 0.0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            for (int c = 0; c < 3; ++c)
            {
                const auto index = (size_t) ((y * width + x) * 3 + c), otherIndex = (size_t) ((y * other.width + x) * 3 + c);
                sum += std::abs ((int) rgb[index] - (int) other.rgb[otherIndex]);
            }
    return sum / (3.0 * area.getWidth() * area.getHeight());
}

double Picture::fineDetail() const
{
    int blocks = 0, detailed = 0;
    for (int y = 0; y + 1 < height; y += 2)
        for (int x = 0; x + 1 < width; x += 2, ++blocks)
        {
            int spread = 0;
            for (int c = 0; c < 3; ++c)
            {
                int low = 255, high = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                    {
                        const int value = rgb[(size_t) (((y + dy) * width + x + dx) * 3 + c)];
                        low = juce::jmin (low, value);
                        high = juce::jmax (high, value);
                    }
                spread = juce::jmax (spread, high - low);
            }
            detailed += spread > 32 ? 1 : 0;
        }
    return blocks == 0 ? 0.0 : (double) detailed / blocks;
}

juce::Point<int> sizeFromProbe (const std::map<juce::String, juce::String>& probe, const juce::String& key)
{
    const auto found = probe.find (key);
    if (found == probe.end())
        return {};
    const auto values = juce::StringArray::fromTokens (found->second, false);
    return { values[0].getIntValue(), values[1].getIntValue() };
}
