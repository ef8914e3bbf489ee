// The panel on screen redraws only what changed: after any sequence of changes, what the
// window shows equals what a full repaint shows, and a tick with nothing changed paints
// nothing. Read back from the X server, as a user would see it.

#include "gui/PanelTestSupport.h"
#include "screen/WindowPixels.h"
#include "support/MessagePump.h"

#include <functional>

namespace
{
/** Counts paints of any part of the panel: a transparent layer over all of it is painted
    whenever anything beneath it is. */
struct PaintCounter final : juce::Component
{
    PaintCounter()
    {
        setInterceptsMouseClicks (false, false);
        setOpaque (false);
    }

    void paint (juce::Graphics&) override { ++paints; }
    int paints = 0;
};

/** A processor playing into a panel inside a window of its own, as in the editor, whose
    ticks the test runs. */
struct OnScreenPanel
{
    OnScreenPanel()
    {
        processor.setPlayConfigDetails (2, 2, 48000.0, 512);
        processor.prepareToPlay (48000.0, 512);
        panel.stopTimer();
        window.setOpaque (true);
        window.addAndMakeVisible (panel);
        resize (1304, 737);
        window.addToDesktop (juce::ComponentPeer::windowIsTemporary);
        window.setVisible (true);
        tick();
    }

    ~OnScreenPanel()
    {
        window.removeFromDesktop();
        processor.releaseResources();
    }

    /** As the host resizes the editor: its window, and the panel within it. */
    void resize (int width, int height)
    {
        window.setSize (width, height);
        panel.setSize (width, height);
    }

    /** One timer tick, then the window system's turn to show what it repainted. */
    void tick()
    {
        panel.timerCallback();
        settle();
    }

    /** Lets the controls' attachments and the window system deliver and show what was
        repainted: until two readings some time apart agree. */
    void settle()
    {
        std::vector<std::uint32_t> last;
        for (int i = 0; i < 40; ++i)
        {
            pumpMessages (60);
            if (auto* peer = window.getPeer())
                peer->performAnyPendingRepaintsNow();
            auto now = shown();
            if (now == last && ! now.empty())
                return;
            last = std::move (now);
        }
    }

    std::vector<std::uint32_t> shown()
    {
        auto* peer = window.getPeer();
        return peer != nullptr ? windowPixels (peer->getNativeHandle(), panel.getWidth(), panel.getHeight()) : std::vector<std::uint32_t>();
    }

    /** A block of the given amplitude, which the meters then show. */
    void play (float amplitude)
    {
        juce::AudioBuffer<float> buffer (2, 512);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                buffer.setSample (c, i, amplitude * std::sin (0.05f * (float) i));
        juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
    }

    /** The window's content, opaque and filled as a plug-in wrapper's is. */
    struct Window final : juce::Component
    {
        void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::black); }
    };

    KravellAudioProcessor processor;
    KravellGUI panel { processor };
    Window window;
};

/** Where two pictures first differ, for the failure message. */
std::string firstDifference (const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int width)
{
    for (size_t i = 0; i < std::min (a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return "first difference at (" + std::to_string ((int) i % width) + ", " + std::to_string ((int) i / width) + ")";
    return a.size() == b.size() ? "none" : "different sizes";
}
} // namespace

TEST (PanelRedraw, WhatTheWindowShowsEqualsAFullRepaintAfterEveryChange)
{
    OnScreenPanel at;
    auto& processor = at.processor;

    const std::pair<const char*, std::function<void()>> steps[] = {
        { "loud audio", [&] { at.play (0.9f); } },
        { "quiet audio", [&] { at.play (0.05f); } },
        { "meters decaying in silence", [&] { for (int i = 0; i < 12; ++i) at.play (0.0f); } },
        { "host automation of attack", [&] { setPlain (processor, "attack", 11.0f); } },
        { "automation of mix and clip together", [&] { setPlain (processor, "mix", 40.0f); setPlain (processor, "clip", 80.0f); } },
        { "a typed value", [&] { at.panel.applyTypedValue (at.panel.getKnob (1), "-7 dB"); } },
        { "focus and mode selected", [&] { setPlain (processor, "focus", 2.0f); setPlain (processor, "mode", 0.0f); } },
        { "power off while playing", [&] { at.play (0.8f); setPlain (processor, "power", 0.0f); } },
        { "audio with power off", [&] { at.play (0.5f); } },
        { "power on", [&] { setPlain (processor, "power", 1.0f); } },
        { "a preset load", [&] {
             KravellAudioProcessor other;
             setPlain (other, "sustain", -9.0f);
             setPlain (other, "punch", 90.0f);
             setPlain (other, "focus", 0.0f);
             juce::MemoryBlock state;
             other.getStateInformation (state);
             processor.setStateInformation (state.getData(), (int) state.getSize());
         } },
        { "a smaller editor", [&] { at.resize (900, 509); } },
        { "audio at the new size", [&] { at.play (0.7f); } },
        { "a larger editor", [&] { at.resize (1500, 848); } },
    };

    for (const auto& [name, change] : steps)
    {
        SCOPED_TRACE (name);
        change();
        at.tick();
        const auto shown = at.shown();
        ASSERT_EQ (shown.size(), (size_t) (at.panel.getWidth() * at.panel.getHeight())) << "the window could not be read";

        at.panel.repaint();
        at.settle();
        const auto full = at.shown();
        EXPECT_TRUE (shown == full) << firstDifference (shown, full, at.panel.getWidth());
    }
}

TEST (PanelRedraw, ATickWithNothingChangedPaintsNothing)
{
    OnScreenPanel at;
    PaintCounter counter;
    at.panel.addAndMakeVisible (counter);
    counter.setBounds (at.panel.getLocalBounds());

    // Silence after playing: the meters fall to nothing lit, then nothing changes at all.
    at.play (0.9f);
    for (int i = 0; i < 40; ++i)
    {
        at.play (0.0f);
        at.tick();
    }

    counter.paints = 0;
    for (int i = 0; i < 10; ++i)
        at.tick();
    EXPECT_EQ (counter.paints, 0);

    // The counter does see a change: a meter lighting up is painted at the next tick.
    at.play (0.9f);
    at.tick();
    EXPECT_GT (counter.paints, 0);

    at.panel.removeChildComponent (&counter);
}
