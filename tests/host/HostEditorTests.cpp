#include "host/HostFixture.h"

#include <dlfcn.h>
#include <thread>

#include "support/MessagePump.h"

namespace
{
/** Hosts install an X error handler that logs and goes on: a window of the plug-in that is
    already gone must not end the host (Xlib's default handler exits the process). The
    plug-in's own copy of the framework swaps handlers as its windows come and go, so this is
    installed again after each change. */
void keepXErrorsNonFatal()
{
    using Handler = int (*) (void*, void*);
    using SetHandler = Handler (*) (Handler);
    if (auto* setHandler = reinterpret_cast<SetHandler> (dlsym (RTLD_DEFAULT, "XSetErrorHandler")))
        setHandler ([] (void*, void*) { return 0; });
}
} // namespace

// The editor as a host shows it: created through the VST3 view, put in a real window on the
// display, resized by the host, and opened and closed while audio runs on another thread.

TEST_F (HostFixture, EditorOpensResizesAndClosesWhileAudioRuns)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    plugin->prepareToPlay (48000.0, 256);

    std::atomic<bool> running { true };
    std::atomic<int> blocks { 0 };
    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::MidiBuffer midi;
        juce::Random random (3);
        while (running.load())
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 256; ++i)
                    buffer.setSample (c, i, random.nextFloat() - 0.5f);
            plugin->processBlock (buffer, midi);
            ++blocks;
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
    });

    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE (round);
        std::unique_ptr<juce::AudioProcessorEditor> editor (plugin->createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);
        keepXErrorsNonFatal();

        juce::DocumentWindow window ("Kravell", juce::Colours::black, 0, true);
        window.setUsingNativeTitleBar (true);
        window.setContentNonOwned (editor.get(), true);
        window.setVisible (true);
        pumpMessages (round == 0 ? 300 : 30);

        // The editor sized itself from the screen: a 1.61 ratio within 500..1700 wide.
        const auto initial = editor->getBounds();
        EXPECT_GE (initial.getWidth(), 500);
        EXPECT_LE (initial.getWidth(), 1700);
        EXPECT_NEAR ((double) initial.getWidth() / initial.getHeight(), 1.61, 0.01);

        if (round % 5 == 0)
        {
            // The host asks for sizes off the ratio and beyond the limits; the plug-in's
            // constraints hold it to them.
            for (auto [w, h] : { std::pair { 900, 900 }, std::pair { 3000, 500 }, std::pair { 200, 100 } })
            {
                editor->setSize (w, h);
                pumpMessages (30);
                const auto size = editor->getBounds();
                EXPECT_GE (size.getWidth(), 500) << w << " x " << h;
                EXPECT_LE (size.getWidth(), 1700) << w << " x " << h;
                EXPECT_NEAR ((double) size.getWidth() / size.getHeight(), 1.61, 0.02) << w << " x " << h;
            }
        }

        // Closed right after a resize, as a user may close a window: the host's embedding
        // answers the plug-in window's resize with a call it posts for later, which must find
        // the editor gone and do nothing (it once ran on the deleted embedding component).
        // Each round lets a different number of events through before closing, so some close
        // between the window event and the posted call.
        editor->setSize (900 + round, 900);
        for (int step = 0; step < round % 6; ++step)
            juce::detail::dispatchNextMessageOnSystemQueue (true);
        window.setVisible (false);
        window.clearContentComponent();
        editor.reset();
        keepXErrorsNonFatal();
        pumpMessages (10);
    }

    running = false;
    audio.join();
    EXPECT_GT (blocks.load(), 20);
    plugin->releaseResources();
}
