// The editor's size as a Linux host meets it, on a display with a window manager: each
// opening in a fresh process (the probe), against the usable area the window manager
// publishes, read here straight from the X server.

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include "gui/shell/EditorSizing.h"
#include "host/BuiltBundle.h"
#include "support/EditorAtScale.h"

// After the framework's headers: Xlib's macros would clash with their names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace
{
/** Runs the probe once (on the given display, or the test's) and returns its lines as
    "key" -> "W H" (the last of each key), with every resizeView request in order under
    "resizeView#N". */
std::map<juce::String, juce::String> runProbe (const juce::StringArray& arguments, const juce::String& displayName = {})
{
    juce::ChildProcess probe;
    juce::StringArray command;
    if (displayName.isNotEmpty())
        command.addArray ({ "env", "DISPLAY=" + displayName });
    command.addArray ({ KRAVELL_EDITOR_SIZE_PROBE, builtBundle().getFullPathName() });
    command.addArray (arguments);
    std::map<juce::String, juce::String> result;
    if (! probe.start (command, juce::ChildProcess::wantStdOut))
        return result;
    const auto output = probe.readAllProcessOutput();
    probe.waitForProcessToFinish (20000);

    int requests = 0;
    for (const auto& line : juce::StringArray::fromLines (output))
    {
        const auto key = line.upToFirstOccurrenceOf (" ", false, false);
        const auto value = line.fromFirstOccurrenceOf (" ", false, false).trim();
        result[key == "resizeView" ? key + "#" + juce::String (requests++) : key] = value;
    }
    result["exit"] = juce::String (probe.getExitCode());
    return result;
}

juce::String sizeText (int width, int height) { return juce::String (width) + " " + juce::String (height); }

/** An X connection for reading the window manager's work area and making a panel. */
class XDisplay
{
public:
    XDisplay() : display (XOpenDisplay (nullptr)) {}
    ~XDisplay()
    {
        if (display != nullptr)
            XCloseDisplay (display);
    }

    bool isOpen() const noexcept { return display != nullptr; }

    juce::Rectangle<int> screen() const
    {
        const auto number = DefaultScreen (display);
        return { DisplayWidth (display, number), DisplayHeight (display, number) };
    }

    /** The window manager's work area for the current desktop, or empty without one. */
    juce::Rectangle<int> workArea() const
    {
        const auto desktop = cardinals ("_NET_CURRENT_DESKTOP", 0, 1);
        const auto area = cardinals ("_NET_WORKAREA", desktop.empty() ? 0 : desktop[0] * 4, 4);
        if (area.size() != 4)
            return {};
        return { (int) area[0], (int) area[1], (int) area[2], (int) area[3] };
    }

    /** What a window sized from the screen may use: the work area within the screen. */
    juce::Rectangle<int> usableArea() const
    {
        const auto free = screen().getIntersection (workArea());
        return free.isEmpty() ? screen() : free;
    }

    /** A dock along the bottom edge reserving the given height, as a desktop panel does. */
    Window addBottomPanel (int height)
    {
        const auto bounds = screen();
        const auto panel = XCreateSimpleWindow (display, DefaultRootWindow (display), 0, bounds.getHeight() - height, (unsigned) bounds.getWidth(), (unsigned) height, 0, 0, 0);
        auto dock = XInternAtom (display, "_NET_WM_WINDOW_TYPE_DOCK", False);
        XChangeProperty (display, panel, XInternAtom (display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*> (&dock), 1);
        long strut[12] = { 0, 0, 0, height, 0, 0, 0, 0, 0, 0, 0, bounds.getWidth() - 1 };
        XChangeProperty (display, panel, XInternAtom (display, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*> (strut), 12);
        XChangeProperty (display, panel, XInternAtom (display, "_NET_WM_STRUT", False), XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*> (strut), 4);
        XMapWindow (display, panel);
        XFlush (display);
        return panel;
    }

    void remove (Window window)
    {
        XDestroyWindow (display, window);
        XFlush (display);
    }

private:
    std::vector<long> cardinals (const char* name, long offset, long count) const
    {
        std::vector<long> values;
        const auto atom = XInternAtom (display, name, True);
        if (atom == None)
            return values;
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty (display, DefaultRootWindow (display), atom, offset, count, False, XA_CARDINAL, &type, &format, &items, &remaining, &data) == Success
            && type == XA_CARDINAL && format == 32 && data != nullptr)
        {
            const auto* longs = reinterpret_cast<const long*> (data);
            values.assign (longs, longs + items);
        }
        if (data != nullptr)
            XFree (data);
        return values;
    }

    ::Display* display;
};

/** Polls until the condition holds or two seconds pass. */
template <typename Condition>
bool waitFor (Condition&& condition)
{
    for (int i = 0; i < 200 && ! condition(); ++i)
        juce::Thread::sleep (10);
    return condition();
}
} // namespace

TEST (EditorSize, EveryFreshOpeningTakesTheSizeOfTheUsableArea)
{
    XDisplay display;
    ASSERT_TRUE (display.isOpen());
    const auto usable = display.usableArea();
    const auto expected = EditorSizing::forUsableArea (usable);
    SCOPED_TRACE ("usable area " + usable.toString().toStdString());

    for (int opening = 0; opening < 20; ++opening)
    {
        const auto probe = runProbe ({ "first" });
        EXPECT_EQ (probe.count ("first") == 1 ? probe.at ("first") : juce::String ("none"), sizeText (expected.width, expected.height)) << "opening " << opening;
    }
}

TEST (EditorSize, APanelsReservedSpaceIsLeftFree)
{
    XDisplay display;
    ASSERT_TRUE (display.isOpen());
    if (display.workArea().isEmpty())
        GTEST_SKIP() << "no window manager publishes a work area on this display";

    const auto before = display.usableArea();
    const auto panel = display.addBottomPanel (200);
    const auto shrunk = waitFor ([&] { return display.usableArea().getHeight() == before.getHeight() - 200; });
    const auto usable = display.usableArea();
    const auto expected = EditorSizing::forUsableArea (usable);

    for (int opening = 0; opening < 5 && shrunk; ++opening)
    {
        const auto probe = runProbe ({ "first" });
        EXPECT_EQ (probe.count ("first") == 1 ? probe.at ("first") : juce::String ("none"), sizeText (expected.width, expected.height)) << "opening " << opening;
    }
    display.remove (panel);
    waitFor ([&] { return display.usableArea() == before; });

    ASSERT_TRUE (shrunk) << "the window manager did not take the panel's space off its work area";
    EXPECT_LT (expected.height, EditorSizing::forUsableArea (before).height);
}

// A host passes its window's size on to the view whenever the window system changes it. A
// window manager taking on a new host window can pass through a stale, tiny size and then the
// real one; the host then hands on its own window fitted to the editor's minimum, an echo no
// one chose, and the editor asks for its opening size back. A size a host asks for itself,
// below the minimum or not, and any size once the editor is open, are kept: at a desktop scale
// of 2 as well, where the answer must be a size the editor's window can be (whole editor pixels).
struct HostSizeCase
{
    const char* name;
    int afterMs;
    std::vector<juce::String> sizes;
    bool backToOpening;
    int desktopScale = 1;
};

void PrintTo (const HostSizeCase& c, std::ostream* out) { *out << c.name; }

class EditorHostSize : public ::testing::TestWithParam<HostSizeCase>
{
};

TEST_P (EditorHostSize, AsTheHostLeavesIt)
{
    const auto& c = GetParam();
    juce::StringArray arguments { "host", juce::String (c.afterMs) };
    for (const auto& size : c.sizes)
        arguments.add (size);
    std::unique_ptr<ScaledDisplay> scaled;
    if (c.desktopScale > 1)
    {
        scaled = std::make_unique<ScaledDisplay> (1920, 1080, c.desktopScale);
        ASSERT_TRUE (scaled->problem().isEmpty()) << scaled->problem();
    }
    const auto probe = runProbe (arguments, scaled != nullptr ? scaled->displayName() : juce::String());
    ASSERT_EQ (probe.count ("final"), 1u) << "probe exit " << (probe.count ("exit") ? probe.at ("exit") : juce::String());
    const auto opening = probe.at ("opening");
    const auto constrained = probe.at ("constrained"); // the answer to the last size

    // The answer to the host's request holds the editor's limits and ratio.
    const auto width = constrained.upToFirstOccurrenceOf (" ", false, false).getIntValue();
    const auto height = constrained.fromFirstOccurrenceOf (" ", false, false).getIntValue();
    EXPECT_GE (width, (int) EditorSizing::minimumWidth * c.desktopScale);
    EXPECT_NEAR ((double) width / height, EditorSizing::defaultAspectRatio, 0.01);

    if (c.backToOpening)
    {
        EXPECT_NE (constrained, opening);
        EXPECT_EQ (probe.at ("final"), opening);
        EXPECT_EQ (probe.count ("resizeView#1"), 1u) << "the editor never asked for its size back";
        if (probe.count ("resizeView#1"))
        {
            EXPECT_EQ (probe.at ("resizeView#1"), opening);
        }
    }
    else
    {
        EXPECT_EQ (probe.at ("final"), constrained);
        EXPECT_EQ (probe.count ("resizeView#1"), 0u) << "asked for " << probe.at ("resizeView#1");
    }
}

INSTANTIATE_TEST_SUITE_P (WhileOpeningAndAfter,
                          EditorHostSize,
                          ::testing::Values (HostSizeCase { "windowManagerEchoWhileOpening", 50, { "128x128", "opening", "128x128" }, true },
                                             HostSizeCase { "hostAsksBelowTheMinimum", 50, { "300x180" }, false },
                                             HostSizeCase { "hostAsksAValidSize", 50, { "900x900" }, false },
                                             HostSizeCase { "windowManagerEchoOnceOpen", 2500, { "128x128", "opening", "128x128" }, false },
                                             HostSizeCase { "windowManagerEchoWhileOpeningAtScaleTwo", 50, { "128x128", "opening", "128x128" }, true, 2 },
                                             HostSizeCase { "hostAsksAnOddSizeAtScaleTwo", 50, { "1001x700" }, false, 2 }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

// A GNOME-style desktop scale of 2 (Gdk/WindowScalingFactor) on a 1920 x 1080 screen leaves the
// editor the logical area of a 960 x 540 screen at scale 1: the same editor, each opening in a
// fresh process on a display of its own, must be twice the size and drawn at twice the
// resolution, whole in the host's window; also where the host announces that scale itself.
class EditorAtDesktopScale : public ::testing::TestWithParam<HostScaleCase>
{
};

TEST_P (EditorAtDesktopScale, OpensWholeAndCrispAtScaleTwo)
{
    const auto pictures = juce::File (KRAVELL_PICTURE_DIR).getChildFile ("tests/editor-scale");
    const auto open = [&] (int width, int height, int scale, const juce::String& hostScale)
    {
        juce::StringArray probe { KRAVELL_EDITOR_SIZE_PROBE, builtBundle().getFullPathName(), "capture" };
        return openEditorOn (width, height, scale, probe, pictures.getChildFile ("vst3-scale-" + juce::String (scale) + ".ppm"), hostScale, "size");
    };
    const auto atOne = open (960, 540, 1, {});
    const auto atTwo = open (1920, 1080, 2, GetParam().hostScale);
    expectWholeAndCrisp (atOne, atTwo);
}

INSTANTIATE_TEST_SUITE_P (HostScales, EditorAtDesktopScale, ::testing::ValuesIn (hostScaleCases), [] (const auto& testInfo) { return std::string (testInfo.param.name); });
