// The editor in a real Windows window while audio runs on its own thread: opened, drawn,
// resized within its limits and closed, twenty times over. Sizes are the host's, in physical
// pixels: at a display scale the limits and the sizes asked for are scaled with it.

#include "HostWindow.h"
#include "PngFile.h"
#include "WavFile.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <cmath>
#include <gtest/gtest.h>
#include <thread>
#include <unordered_map>

using namespace host;

namespace
{
constexpr double ratio = 1.61;
constexpr int minimumWidth = 500, maximumWidth = 1700;

/** Plays a loop through the plug-in in real time until stopped, counting what happened. */
class AudioThread
{
public:
    AudioThread (Plugin& pluginToRun, Audio loopToPlay) :
        plugin (pluginToRun), loop (std::move (loopToPlay))
    {
        thread = std::thread ([this]
                              { run(); });
    }

    ~AudioThread() { stop(); }

    void stop()
    {
        running = false;
        if (thread.joinable())
            thread.join();
    }

    std::atomic<int> blocks { 0 }, failures { 0 }, nonFinite { 0 };

private:
    void run()
    {
        constexpr int32 blockSize = 512;
        Audio block (loop.size(), std::vector<float> (blockSize));
        size_t position = 0;
        auto next = std::chrono::steady_clock::now();
        while (running)
        {
            for (size_t c = 0; c < loop.size(); ++c)
                for (size_t i = 0; i < (size_t) blockSize; ++i)
                    block[c][i] = loop[c][(position + i) % loop[c].size()];
            position += blockSize;

            if (plugin.process (block, 0, blockSize) != kResultOk)
                ++failures;
            for (const auto& channel : block)
                for (auto sample : channel)
                    if (! std::isfinite (sample))
                        ++nonFinite;
            ++blocks;

            next += std::chrono::microseconds (10667); // 512 frames at 48 kHz
            std::this_thread::sleep_until (next);
        }
    }

    Plugin& plugin;
    Audio loop;
    std::atomic<bool> running { true };
    std::thread thread;
};

void expectWithinLimits (const ViewRect& size)
{
    const auto scale = displayScale();
    EXPECT_GE (size.getWidth(), physical (minimumWidth, scale));
    EXPECT_LE (size.getWidth(), physical (maximumWidth, scale));
    EXPECT_NEAR ((double) size.getWidth() / size.getHeight(), ratio, 0.01) << size.getWidth() << " x " << size.getHeight();
}

/** Checks the editor drew itself (not a blank box) and keeps the picture for review. */
void checkAndSavePicture (HWND pluginWindow)
{
    int width = 0, height = 0;
    const auto rgb = capture (pluginWindow, width, height);
    ASSERT_GT (width, 0);

    std::unordered_map<uint32_t, size_t> counts;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        ++counts[(uint32_t) rgb[i] << 16 | (uint32_t) rgb[i + 1] << 8 | rgb[i + 2]];
    size_t mostCommon = 0;
    for (const auto& [colour, count] : counts)
        mostCommon = std::max (mostCommon, count);

    // A drawn panel has knobs, text, meters and a display: many colours, none covering all.
    EXPECT_GE (counts.size(), 64u);
    EXPECT_LT ((double) mostCommon / ((double) width * height), 0.9);

    const auto folder = environment ("KRAVELL_OUTPUT");
    if (! folder.empty())
        writePng (folder + "\\kravell-editor-windows.png", width, height, rgb);
}

struct SizeRow
{
    const char* what;
    int width, height;
};

const SizeRow requestedSizes[] = {
    { "smaller than the minimum", 300, 180 },
    { "within the limits", 966, 600 },
    { "between two pixels at a fractional scale", 801, 498 },
    { "larger than the maximum", 3000, 1900 },
    { "at another ratio", 1200, 500 },
};
} // namespace

TEST (Editor, OpensResizesAndClosesTwentyTimesWhileAudioRuns)
{
    const auto scale = displayScale();
    ASSERT_NEAR (systemScale(), scale, 0.01) << "this Windows does not run at the display scale the test is for";
    Plugin plugin;
    plugin.applySettings ({ "attack=8", "sustain=-6", "punch=60" });
    plugin.prepare (SpeakerArr::kStereo, 48000.0, 512);
    AudioThread audio (plugin, readWav (environment ("KRAVELL_DEMO_LOOP")).channels);

    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE ("round " + std::to_string (round + 1));
        EditorWindow editor (plugin.controller());
        ASSERT_TRUE (editor.attachedOk());
        ASSERT_EQ (editor.view()->canResize(), kResultTrue);
        auto* pluginWindow = editor.pluginWindow();
        ASSERT_NE (pluginWindow, nullptr) << "the editor made no window of its own";

        ViewRect initial {};
        editor.view()->getSize (&initial);
        expectWithinLimits (initial);
        pumpMessages (std::chrono::milliseconds (round == 0 ? 1500 : 150));
        if (round == 0)
        {
            checkAndSavePicture (pluginWindow);

            // Screen readers: the window hands UI Automation its root element. Wine 8 has no
            // UI Automation client to walk the elements behind it.
            constexpr LPARAM uiAutomationRoot = -25; // UiaRootObjectId
            EXPECT_NE (SendMessageW (pluginWindow, WM_GETOBJECT, 0, uiAutomationRoot), 0);
        }

        for (const auto& request : requestedSizes)
        {
            SCOPED_TRACE (request.what);
            const auto allowed = editor.resizeTo (physical (request.width, scale), physical (request.height, scale));
            expectWithinLimits (allowed);

            // Asked again for what it allowed, the view answers the same: no drift of a pixel.
            ViewRect again = allowed;
            editor.view()->checkSizeConstraint (&again);
            EXPECT_EQ (again.getWidth(), allowed.getWidth());
            EXPECT_EQ (again.getHeight(), allowed.getHeight());
            pumpMessages (std::chrono::milliseconds (40));

            ViewRect reported {};
            editor.view()->getSize (&reported);
            EXPECT_EQ (reported.getWidth(), allowed.getWidth());
            EXPECT_EQ (reported.getHeight(), allowed.getHeight());
            const auto shown = clientSize (pluginWindow);
            EXPECT_EQ (shown.cx, allowed.getWidth());
            EXPECT_EQ (shown.cy, allowed.getHeight());
        }

        // A size already within the limits and at the ratio is taken as it is.
        const auto exact = editor.resizeTo (physical (966, scale), physical (600, scale));
        EXPECT_EQ (exact.getWidth(), physical (966, scale));
        EXPECT_EQ (exact.getHeight(), physical (600, scale));

        EXPECT_EQ (editor.close(), kResultOk);
        pumpMessages (std::chrono::milliseconds (30));
    }

    // Every window the plug-in opened went with its editor.
    pumpMessages (std::chrono::milliseconds (200));
    EXPECT_TRUE (threadWindows().empty());

    audio.stop();
    EXPECT_GT (audio.blocks.load(), 100);
    EXPECT_EQ (audio.failures.load(), 0);
    EXPECT_EQ (audio.nonFinite.load(), 0);
}
