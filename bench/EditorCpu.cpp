// What an open editor costs its host: the editor in a real window (run it under an X display,
// e.g. Xvfb with a window manager), the message thread's CPU time per second of wall time,
// over ten seconds each: with nothing playing, with the drum loop playing in real time, and
// with the loop playing while the host automates one knob. Each case runs with the panel
// redrawing only what changed and with it repainting everything every tick, in this one run.
//
//   kravell-editor-cpu [seconds per case] [only the redrawing of what changed: "changes"] [only case 1-3]

#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>

#include "gui/shell/PluginEditor.h"
#include "render/DrumLoop.h"
#include "support/MessagePump.h"

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 256;

double threadCpuSeconds()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return (double) t.tv_sec + (double) t.tv_nsec * 1.0e-9;
}

/** The host's audio thread: the loop in real-time blocks, and optionally an automation
    lane sweeping attack up and down once every two seconds. */
class HostAudio
{
public:
    HostAudio (KravellAudioProcessor& p, bool automate) : processor (p), automating (automate)
    {
        thread = std::thread ([this] { run(); });
    }

    ~HostAudio()
    {
        running = false;
        thread.join();
    }

private:
    void run()
    {
        const auto loop = makeDrumLoop (sampleRate, 4.0);
        juce::AudioBuffer<float> buffer (2, blockSize);
        juce::MidiBuffer midi;
        auto* attack = processor.parameterState.getParameter ("attack");
        const auto blockTime = std::chrono::duration<double> (blockSize / sampleRate);
        auto next = std::chrono::steady_clock::now();
        int position = 0;
        long long block = 0;

        while (running)
        {
            if (position + blockSize > loop.getNumSamples())
                position = 0;
            for (int c = 0; c < 2; ++c)
                buffer.copyFrom (c, 0, loop, c, position, blockSize);
            position += blockSize;

            if (automating)
            {
                const auto phase = std::fmod ((double) block * blockSize / sampleRate, 2.0);
                attack->setValueNotifyingHost ((float) (phase < 1.0 ? phase : 2.0 - phase));
            }
            processor.processBlock (buffer, midi);
            ++block;

            next += std::chrono::duration_cast<std::chrono::steady_clock::duration> (blockTime);
            std::this_thread::sleep_until (next);
        }
    }

    KravellAudioProcessor& processor;
    const bool automating;
    std::atomic<bool> running { true };
    std::thread thread;
};

/** Runs the message loop for the time given and returns its CPU time as a share of it. */
double messageThreadLoad (double seconds)
{
    const auto wallStart = juce::Time::getMillisecondCounterHiRes();
    const auto cpuStart = threadCpuSeconds();
    // Blocking for the next message, as a host's event loop does (the panel's and the menu
    // bar's timers keep messages coming).
    while (juce::Time::getMillisecondCounterHiRes() - wallStart < seconds * 1000.0)
        juce::detail::dispatchNextMessageOnSystemQueue (false);
    const auto wall = (juce::Time::getMillisecondCounterHiRes() - wallStart) / 1000.0;
    return (threadCpuSeconds() - cpuStart) / wall;
}
} // namespace

int main (int argc, char** argv)
{
    const auto seconds = argc > 1 ? std::max (1.0, std::atof (argv[1])) : 10.0;
    const auto changesOnlyRun = argc > 2 && juce::String (argv[2]) == "changes";
    const auto onlyCase = argc > 3 ? std::atoi (argv[3]) : 0;
    juce::ScopedJuceInitialiser_GUI gui;

    KravellAudioProcessor processor;
    processor.setPlayConfigDetails (2, 2, sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);

    // As the VST3 wrapper holds the editor: in an opaque component that fills black.
    struct Wrapper final : juce::Component
    {
        Wrapper() { setOpaque (true); }
        void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::black); }
    } wrapper;

    std::unique_ptr<KravellAudioProcessorEditor> editor (dynamic_cast<KravellAudioProcessorEditor*> (processor.createEditor()));
    editor->setSize (1304, 810);
    wrapper.addAndMakeVisible (*editor);
    wrapper.setSize (editor->getWidth(), editor->getHeight());
    wrapper.addToDesktop (juce::ComponentPeer::windowHasTitleBar);
    wrapper.setVisible (true);
    messageThreadLoad (1.0);

    struct Case
    {
        const char* name;
        bool playing, automating;
    };
    const Case cases[] = { { "idle (no audio)", false, false }, { "drum loop playing", true, false }, { "automating one knob", true, true } };

    std::printf ("message-thread CPU, %% of one core, editor %d x %d, %.0f s per case\n", editor->getWidth(), editor->getHeight(), seconds);
    std::printf ("  %-22s %18s %18s\n", "case", "whole panel/tick", "what changed");
    for (const auto& c : cases)
    {
        if (onlyCase > 0 && &c != &cases[onlyCase - 1])
            continue;
        double load[2] {};
        for (int changesOnly = changesOnlyRun ? 1 : 0; changesOnly < 2; ++changesOnly)
        {
            editor->getPanel().setRepaintingWholePanelEachTick (changesOnly == 0);
            std::unique_ptr<HostAudio> audio (c.playing ? new HostAudio (processor, c.automating) : nullptr);
            messageThreadLoad (0.5); // settle
            load[changesOnly] = messageThreadLoad (seconds);
        }
        std::printf ("  %-22s %17.2f%% %17.2f%%\n", c.name, 100.0 * load[0], 100.0 * load[1]);
        std::fflush (stdout);
    }

    wrapper.removeFromDesktop();
    wrapper.removeChildComponent (editor.get());
    editor.reset();
    processor.releaseResources();
    return 0;
}
