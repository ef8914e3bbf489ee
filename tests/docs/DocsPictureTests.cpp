#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "support/TempFolder.h"

// The README's picture of the editor (docs/editor.png) is rendered by kravell-shots from the
// real editor; it must still be what the editor looks like now. A fresh render, made by the
// tool as a child process on the test display, is compared with the committed file.

namespace
{
const juce::String regenerateHint = "The editor no longer looks like docs/editor.png. If the change is intended, render the "
                                    "picture again and commit it: build/tools/kravell-shots --editor-only docs "
                                    "(on an X display; scripts/common.sh's start_display makes one).";

/** How far two pictures of the same editor lie apart: the share of pixels where some channel
    differs by more than a few levels, and the largest difference of any channel. */
struct Drift
{
    bool sameSize = false;
    double differingFraction = 1.0;
    int largestDifference = 255;
};

// Renders on one machine are identical; text and antialiased edges may shift by a level or
// two where a library differs slightly. A changed read-out, caption or control covers far
// more than a hundredth of a percent of the picture (its 1304 x 810 pixels: about 100).
constexpr int channelTolerance = 12;
constexpr double allowedDifferingFraction = 0.0001;

Drift driftBetween (const juce::Image& a, const juce::Image& b)
{
    Drift drift;
    if (a.isNull() || b.isNull() || a.getBounds() != b.getBounds())
        return drift;

    drift.sameSize = true;
    drift.largestDifference = 0;
    const juce::Image::BitmapData da (a, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData db (b, juce::Image::BitmapData::readOnly);
    juce::int64 differing = 0;
    for (int y = 0; y < da.height; ++y)
        for (int x = 0; x < da.width; ++x)
        {
            const auto p = da.getPixelColour (x, y), q = db.getPixelColour (x, y);
            const auto difference = std::max ({ std::abs ((int) p.getRed() - (int) q.getRed()),
                                                std::abs ((int) p.getGreen() - (int) q.getGreen()),
                                                std::abs ((int) p.getBlue() - (int) q.getBlue()),
                                                std::abs ((int) p.getAlpha() - (int) q.getAlpha()) });
            drift.largestDifference = std::max (drift.largestDifference, difference);
            if (difference > channelTolerance)
                ++differing;
        }
    drift.differingFraction = (double) differing / ((double) da.width * (double) da.height);
    return drift;
}

bool isWithinTolerance (const Drift& drift)
{
    return drift.sameSize && drift.differingFraction <= allowedDifferingFraction;
}

/** Runs kravell-shots as a user does; returns its exit code and prints what it said. */
int runShots (const juce::StringArray& arguments)
{
    juce::StringArray command { KRAVELL_SHOTS_TOOL };
    command.addArray (arguments);
    juce::ChildProcess process;
    if (! process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return -1;
    const auto output = process.readAllProcessOutput();
    if (! process.waitForProcessToFinish (120000))
    {
        process.kill();
        return -2;
    }
    std::printf ("%s", output.toRawUTF8());
    return (int) process.getExitCode();
}

juce::File committedPicture() { return juce::File (KRAVELL_DOCS_DIR).getChildFile ("editor.png"); }

/** A fresh render of the editor picture, made once for each suite of tests here. */
class DocsPictureFixture : public ::testing::Test
{
public:
    static void SetUpTestSuite()
    {
        TempFolder temp;
        const auto output = temp.folder.getChildFile ("pictures");
        const auto exitCode = runShots ({ "--editor-only", output.getFullPathName() });
        if (exitCode != 0)
            std::printf ("kravell-shots ended with %d (it needs an X display)\n", exitCode);
        render = std::make_unique<juce::Image> (juce::ImageFileFormat::loadFrom (output.getChildFile ("editor.png")));
    }

    static void TearDownTestSuite() { render.reset(); }

protected:
    static const juce::Image& freshRender() { return *render; }

private:
    static inline std::unique_ptr<juce::Image> render;
};
} // namespace

TEST_F (DocsPictureFixture, EditorPictureMatchesAFreshRender)
{
    const auto committed = juce::ImageFileFormat::loadFrom (committedPicture());
    ASSERT_FALSE (committed.isNull()) << "cannot read " << committedPicture().getFullPathName();
    const auto& fresh = freshRender();
    ASSERT_FALSE (fresh.isNull()) << "kravell-shots wrote no editor.png";

    const auto drift = driftBetween (committed, fresh);
    ASSERT_TRUE (drift.sameSize) << "committed " << committed.getWidth() << " x " << committed.getHeight()
                                 << ", fresh " << fresh.getWidth() << " x " << fresh.getHeight() << ". " << regenerateHint;
    std::printf ("docs/editor.png against a fresh render: %.4f %% of pixels differ by more than %d levels; largest difference %d\n",
                 100.0 * drift.differingFraction,
                 channelTolerance,
                 drift.largestDifference);
    EXPECT_TRUE (isWithinTolerance (drift)) << regenerateHint;
}

//==============================================================================
/** A change made to a fresh render, standing for a way the editor could have drifted from
    the committed picture, and whether the comparison must notice it. */
struct DriftCase
{
    const char* name;
    std::function<juce::Image (const juce::Image&)> change;
    bool mustBeNoticed;
};

void PrintTo (const DriftCase& c, std::ostream* out) { *out << c.name; }

class DocsPictureDrift : public DocsPictureFixture, public ::testing::WithParamInterface<DriftCase>
{
};

TEST_P (DocsPictureDrift, NoticedOnlyWhenTheEditorChanged)
{
    const auto& fresh = freshRender();
    ASSERT_FALSE (fresh.isNull());
    const auto changed = GetParam().change (fresh.createCopy());
    const auto drift = driftBetween (fresh, changed);
    EXPECT_EQ (! isWithinTolerance (drift), GetParam().mustBeNoticed)
        << 100.0 * drift.differingFraction << " % of pixels differ, largest difference " << drift.largestDifference;
}

INSTANTIATE_TEST_SUITE_P (
    Changes,
    DocsPictureDrift,
    ::testing::Values (
        // Another value under the Attack knob: its read-out says +8.0 dB instead of +7.5 dB.
        DriftCase { "aReadOutChanged", [] (juce::Image image)
                    {
                       juce::Graphics g (image);
                       g.setColour (juce::Colour (0xff14161e));
                       g.fillRect (80, 334, 94, 22);
                       g.setColour (juce::Colour (0xffa060ff));
                       g.setFont (juce::FontOptions (17.0f, juce::Font::bold));
                       g.drawText ("+8.0 dB", 80, 334, 94, 22, juce::Justification::centred);
                       return image; },
                    true },
        // The whole editor laid out a pixel further right.
        DriftCase { "shiftedByOnePixel", [] (juce::Image image)
                    {
                       auto shifted = image.createCopy();
                       juce::Graphics g (shifted);
                       g.drawImageAt (image, 1, 0);
                       return shifted; },
                    true },
        // Another size: the opening size changed.
        DriftCase { "anotherSize", [] (juce::Image image)
                    { return image.rescaled (image.getWidth() - 2, image.getHeight() - 1); },
                    true },
        // Rounding of a level or two everywhere, as another rasteriser's antialiasing gives.
        DriftCase { "everyPixelALevelBrighter", [] (juce::Image image)
                    {
                       juce::Image::BitmapData data (image, juce::Image::BitmapData::readWrite);
                       for (int y = 0; y < data.height; ++y)
                           for (int x = 0; x < data.width; ++x)
                           {
                               const auto c = data.getPixelColour (x, y);
                               data.setPixelColour (x, y, juce::Colour ((juce::uint8) std::min (255, c.getRed() + 2), (juce::uint8) std::min (255, c.getGreen() + 2), (juce::uint8) std::min (255, c.getBlue() + 2), c.getAlpha()));
                           }
                       return image; },
                    false }),
    [] (const ::testing::TestParamInfo<DriftCase>& param)
    { return std::string (param.param.name); });

// The pictures hosts' plug-in browsers show of the VST3 bundle (Contents/Resources/Snapshots,
// listed in its moduleinfo.json), rendered by kravell-shots when the bundle is built: still
// the editor as it looks now, at scale 1 and 2.
TEST (Vst3Snapshots, TheBundleShowsTheEditorAsItLooksNowAtOneAndTwiceTheScale)
{
    const juce::File bundle (KRAVELL_VST3_BUNDLE);
    const auto manifest = bundle.getChildFile ("Contents/Resources/moduleinfo.json").loadFileAsString();
    // The processor's class: the ID the snapshots are named after.
    const auto processorClass = manifest.fromFirstOccurrenceOf ("\"CID\": \"", false, false).substring (0, 32);
    ASSERT_EQ (processorClass.length(), 32) << manifest;
    ASSERT_TRUE (manifest.fromFirstOccurrenceOf (processorClass, false, false).upToFirstOccurrenceOf ("\"CID\"", false, false).contains ("\"Audio Module Class\""));

    TempFolder temp;
    ASSERT_EQ (runShots ({ "--vst3-snapshots", processorClass, temp.folder.getFullPathName() }), 0);
    juce::Image shipped[2];
    for (int i = 0; i < 2; ++i)
    {
        const auto name = processorClass + (i == 0 ? "_snapshot.png" : "_snapshot_2.0x.png");
        SCOPED_TRACE (name);
        EXPECT_TRUE (manifest.contains ("Contents/Resources/Snapshots/" + name)) << "moduleinfo.json does not list it";
        shipped[i] = juce::ImageFileFormat::loadFrom (bundle.getChildFile ("Contents/Resources/Snapshots/" + name));
        ASSERT_FALSE (shipped[i].isNull()) << "not in the bundle (build.sh and test.sh add the snapshots)";
        const auto drift = driftBetween (shipped[i], juce::ImageFileFormat::loadFrom (temp.folder.getChildFile (name)));
        EXPECT_TRUE (isWithinTolerance (drift)) << "the bundle's snapshot is not the editor as it looks now: "
                                                << 100.0 * drift.differingFraction << " % of pixels differ";
    }
    EXPECT_EQ (shipped[1].getWidth(), 2 * shipped[0].getWidth());
    EXPECT_EQ (shipped[1].getHeight(), 2 * shipped[0].getHeight());
    EXPECT_GE (shipped[0].getWidth(), 500) << "the editor at a size it can take";
}
