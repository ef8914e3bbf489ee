// Audio through the Windows build, compared with the Linux build; automation reaching the
// audio; saved state.

#include "VstHost.h"
#include "WavFile.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

using namespace host;

namespace
{
constexpr int32 blockSize = 512;

/** "mode=Tight attack=8 ..." from the test script: the settings the Linux build rendered with. */
std::vector<std::string> renderSettings()
{
    std::istringstream words (environment ("KRAVELL_RENDER_SETTINGS"));
    std::vector<std::string> settings;
    for (std::string word; words >> word;)
        settings.push_back (word);
    return settings;
}

WavFile demoLoop()
{
    const auto path = environment ("KRAVELL_DEMO_LOOP");
    if (path.empty())
        throw std::runtime_error ("KRAVELL_DEMO_LOOP is not set");
    return readWav (path);
}

double maximumDifference (const Audio& a, const Audio& b, size_t from = 0)
{
    double largest = 0.0;
    for (size_t c = 0; c < a.size(); ++c)
        for (size_t i = from; i < a[c].size(); ++i)
            largest = std::max (largest, std::abs ((double) a[c][i] - (double) b[c][i]));
    return largest;
}
} // namespace

// The same loop, settings and block size as the Linux render: the two builds must agree to
// within 1e-5 of full scale (they differ in compiler, C library and vector kernel).
TEST (Audio, DemoLoopMatchesTheLinuxBuild)
{
    const auto settings = renderSettings();
    ASSERT_FALSE (settings.empty()) << "KRAVELL_RENDER_SETTINGS is not set";
    const auto input = demoLoop();
    const auto linux = readWav (environment ("KRAVELL_LINUX_RENDER"));
    ASSERT_EQ (linux.channels.size(), input.channels.size());
    ASSERT_EQ (linux.channels.front().size(), input.channels.front().size());

    Plugin plugin;
    plugin.applySettings (settings);
    plugin.prepare (SpeakerArr::kStereo, input.sampleRate, blockSize, kOffline);
    const auto output = plugin.processAll (input.channels, blockSize);

    const auto difference = maximumDifference (output, linux.channels);
    std::printf ("[ windows ] demo loop, %s: largest difference from the Linux build %.3g\n", environment ("KRAVELL_RENDER_SETTINGS").c_str(), difference);
    EXPECT_LE (difference, 1e-5);

    // The settings took effect: the result is far from the dry loop.
    EXPECT_GT (maximumDifference (output, input.channels), 0.05);

    const auto outputFolder = environment ("KRAVELL_OUTPUT");
    if (! outputFolder.empty())
        writeWav (outputFolder + "\\demo-loop-windows.wav", { input.sampleRate, output });
}

namespace
{
/** What must hold once the automated change has settled. */
enum class Expect
{
    dry, // the output is the input, sample for sample
    scaled // the output is the unautomated output times `gain`
};

struct AutomationRow
{
    const char* name;
    const char* title;
    const char* value;
    Expect expect;
    double gain;
};

const AutomationRow automationRows[] = {
    { "PowerOff", "Power", "Off", Expect::dry, 0.0 },
    { "MixZero", "Mix", "0", Expect::dry, 0.0 },
    { "OutputMinus12dB", "Output", "-12", Expect::scaled, 0.251188643150958 },
    { "OutputPlus6dB", "Output", "6", Expect::scaled, 1.995262314968880 },
};

class Automation : public ::testing::TestWithParam<AutomationRow>
{
};
} // namespace

// A change sent in one block's parameter queue, as a host plays back automation: the blocks
// before it are untouched, and once the change has had 100 ms to ramp the output is exactly
// what the new value means.
TEST_P (Automation, ReachesTheAudio)
{
    const auto& row = GetParam();
    const auto input = demoLoop();
    constexpr int32 changeBlock = 40;
    const auto settled = (size_t) ((changeBlock * blockSize) + (int32) (0.1 * input.sampleRate));

    Plugin reference;
    reference.prepare (SpeakerArr::kStereo, input.sampleRate, blockSize);
    const auto unchanged = reference.processAll (input.channels, blockSize);

    Plugin automated;
    automated.prepare (SpeakerArr::kStereo, input.sampleRate, blockSize);
    const auto id = automated.idOfTitle (row.title);
    const auto target = automated.normalisedFromText (id, row.value);
    auto audio = input.channels;
    const auto length = (int32) audio.front().size();
    for (int32 start = 0, block = 0; start < length; start += blockSize, ++block)
    {
        ParameterChanges changes;
        if (block == changeBlock)
            changes.add (id, 0, target);
        ASSERT_EQ (automated.process (audio, start, std::min (blockSize, length - start), &changes), kResultOk);
    }

    for (size_t c = 0; c < audio.size(); ++c)
    {
        for (size_t i = 0; i < (size_t) (changeBlock * blockSize); ++i)
            ASSERT_EQ (audio[c][i], unchanged[c][i]) << "before the change, sample " << i;

        double largestError = 0.0, largestDeparture = 0.0;
        for (size_t i = settled; i < audio[c].size(); ++i)
        {
            const auto expected = row.expect == Expect::dry ? (double) input.channels[c][i] : row.gain * unchanged[c][i];
            largestError = std::max (largestError, std::abs (audio[c][i] - expected));
            largestDeparture = std::max (largestDeparture, std::abs ((double) audio[c][i] - unchanged[c][i]));
        }
        EXPECT_LE (largestError, row.expect == Expect::dry ? 0.0 : 1e-5) << "channel " << c;
        EXPECT_GT (largestDeparture, 0.01) << "the change made no audible difference";
    }
}

INSTANTIATE_TEST_SUITE_P (Audio, Automation, ::testing::ValuesIn (automationRows), [] (const auto& info)
                          { return std::string (info.param.name); });

// A host saves the state into its project, restores it (into this instance, or a new one)
// and saves again: the bytes must be the same each time, and so must the parameters.
TEST (State, SavedRestoredAndSavedAgainIsIdentical)
{
    Plugin original;
    original.applySettings (renderSettings());
    original.prepare (SpeakerArr::kStereo, 48000.0, blockSize);
    Audio audio (2, std::vector<float> (blockSize, 0.1f));
    ASSERT_EQ (original.process (audio, 0, blockSize), kResultOk);
    original.unprepare();

    const auto saved = original.componentState();
    ASSERT_GT (saved.size(), 16u);

    ASSERT_EQ (original.setComponentState (saved), kResultOk);
    EXPECT_EQ (original.componentState(), saved);

    Plugin restored;
    ASSERT_EQ (restored.setComponentState (saved), kResultOk);
    EXPECT_EQ (restored.componentState(), saved);

    for (int32 i = 0; i < original.controller().getParameterCount(); ++i)
    {
        ParameterInfo info {};
        original.controller().getParameterInfo (i, info);
        EXPECT_EQ (restored.controller().getParamNormalized (info.id), original.controller().getParamNormalized (info.id)) << toUtf8 (info.title);
    }

    // And the state is not merely a default: the settings are in it.
    Plugin fresh;
    EXPECT_NE (fresh.componentState(), saved);
}
