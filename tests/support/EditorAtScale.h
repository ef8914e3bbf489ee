#pragma once

#include "support/ScaledDisplay.h"

#include <gtest/gtest.h>

/** What a probe saw of the editor it opened in a host's window: the size the plug-in asked the
    host for, the host's window, the window the editor draws into, and what the X server showed. */
struct OpenedEditor
{
    juce::Point<int> reported, window, child;
    Picture picture;
    juce::String exitCode;
};

/** How the host meets a desktop scale of 2: it leaves the scale to the plug-in, or it announces
    the same scale itself (the VST3's content scale, the LV2's ui:scaleFactor), as hosts with a
    scale setting of their own do. */
struct HostScaleCase
{
    const char* name;
    juce::String hostScale; // empty: none announced
};

inline void PrintTo (const HostScaleCase& c, std::ostream* out) { *out << c.name; }

inline const HostScaleCase hostScaleCases[] { { "hostLeavesItToThePlugIn", {} }, { "hostAnnouncesTheSameScale", "2" } };

/** Runs a probe on its own display of the given size and desktop scale; the probe's command
    gets the picture's file and the host's scale, if any, added. reportedKey names the probe's
    line with the size asked for. */
inline OpenedEditor openEditorOn (int width, int height, int scale, juce::StringArray command, const juce::File& picture, const juce::String& hostScale, const juce::String& reportedKey)
{
    OpenedEditor opened;
    ScaledDisplay display (width, height, scale);
    EXPECT_TRUE (display.problem().isEmpty()) << display.problem();
    if (display.problem().isNotEmpty())
        return opened;

    picture.deleteFile();
    picture.getParentDirectory().createDirectory();
    command.add (picture.getFullPathName());
    if (hostScale.isNotEmpty())
        command.add (hostScale);
    const auto probe = display.run (command);
    opened.reported = sizeFromProbe (probe, reportedKey);
    opened.window = sizeFromProbe (probe, "window");
    opened.child = sizeFromProbe (probe, "child");
    opened.picture = Picture::load (picture);
    opened.exitCode = probe.count ("exit") ? probe.at ("exit") : juce::String();
    return opened;
}

inline juce::String sizeText (juce::Point<int> size) { return juce::String (size.x) + " x " + juce::String (size.y); }

/** Whole: the size the plug-in asked for is the host's window, and the editor's own window is
    exactly that. */
inline void expectWhole (const OpenedEditor& opened, const char* where)
{
    SCOPED_TRACE (where);
    ASSERT_EQ (opened.exitCode, "0");
    EXPECT_GT (opened.reported.x, 0);
    EXPECT_EQ (sizeText (opened.window), sizeText (opened.reported));
    EXPECT_EQ (sizeText (opened.child), sizeText (opened.reported));
    EXPECT_EQ (sizeText ({ opened.picture.width, opened.picture.height }), sizeText (opened.reported));
}

/** The editor opened at a desktop scale of 2 against the same editor at scale 1 with the same
    logical area: twice the size, the same picture when halved, everywhere up to the right and
    bottom edges (a part cut off or a blank band shows there), and drawn at the full resolution
    (a stretched picture of half the size has no detail within each 2 x 2 block). */
inline void expectWholeAndCrisp (const OpenedEditor& atOne, const OpenedEditor& atTwo)
{
    expectWhole (atOne, "at scale 1");
    expectWhole (atTwo, "at scale 2");
    if (::testing::Test::HasFatalFailure() || atOne.picture.isEmpty() || atTwo.picture.isEmpty())
        return;

    EXPECT_EQ (sizeText (atTwo.reported), sizeText (atOne.reported * 2));
    const auto halved = atTwo.picture.halved();
    const auto w = atOne.picture.width, h = atOne.picture.height;
    const auto band = juce::jmax (4, h / 20);
    const juce::Rectangle<int> whole { w, h }, rightBand { w - band, 0, band, h }, bottomBand { 0, h - band, w, band };

    // Text and antialiased edges fall differently at the two resolutions (about 0.5 levels on
    // average); a cut-off or shifted editor, or one laid out for the whole screen at 1x, differs
    // by several levels or tens of them.
    constexpr double tolerance = 2.0;
    EXPECT_LT (halved.differenceFrom (atOne.picture, whole), tolerance);
    EXPECT_LT (halved.differenceFrom (atOne.picture, rightBand), tolerance) << "right band";
    EXPECT_LT (halved.differenceFrom (atOne.picture, bottomBand), tolerance) << "bottom band";
    EXPECT_GT (atTwo.picture.fineDetail(), 0.25 * atOne.picture.fineDetail());
    std::printf ("scale 2: %s in %s; halved differs from scale 1 by %.2f (right band %.2f, bottom band %.2f); fine detail %.4f (scale 1: %.4f)\n",
                 sizeText (atTwo.reported).toRawUTF8(),
                 sizeText (atTwo.child).toRawUTF8(),
                 halved.differenceFrom (atOne.picture, whole),
                 halved.differenceFrom (atOne.picture, rightBand),
                 halved.differenceFrom (atOne.picture, bottomBand),
                 atTwo.picture.fineDetail(),
                 atOne.picture.fineDetail());
}
