#include <gtest/gtest.h>

#include "support/ProcessorHelpers.h"
#include "support/ReferenceShaper.h"

// The optimised engine against the plainly written reference, through the whole processor:
// every signal, mode and focus, with sample rates, block sizes, layouts and knob settings
// rotating through the table and parameters moving between blocks.

namespace
{
enum class Signal
{
    silence,
    step,
    impulses,
    kick,
    snare,
    sweep,
    square,
    dc
};

const char* signalName (Signal s)
{
    const char* names[] = { "silence", "step", "impulses", "kick", "snare", "sweep", "square", "dc" };
    return names[(int) s];
}

float signalSample (Signal signal, int channel, int i, double rate, juce::Random& random)
{
    const auto t = i / rate;
    const auto beat = std::fmod (t, 0.25);
    switch (signal)
    {
        case Signal::silence:
            return 0.0f;
        case Signal::step:
            return t < 0.05 ? 0.0f : 0.8f;
        case Signal::impulses:
            return (i % (int) (rate * 0.1)) == 0 ? (channel == 0 ? 1.0f : -0.7f) : 0.0f;
        case Signal::kick:
            return (float) (0.95 * std::exp (-beat * 18.0) * std::sin (2.0 * juce::MathConstants<double>::pi * (50.0 * beat + 60.0 * (1.0 - std::exp (-beat * 30.0)) / 30.0)));
        case Signal::snare:
            return (float) (std::exp (-beat * 35.0) * (0.5 * (random.nextFloat() * 2.0f - 1.0f) + 0.4 * std::sin (2.0 * juce::MathConstants<double>::pi * 190.0 * t)));
        case Signal::sweep:
            return (float) (0.7 * std::sin (2.0 * juce::MathConstants<double>::pi * (20.0 * t + 0.5 * std::min (rate * 0.45, 20000.0) * t * t / 0.3)));
        case Signal::square:
            return std::fmod (t * 110.0 + channel * 0.25, 1.0) < 0.5 ? 1.0f : -1.0f;
        case Signal::dc:
            return 0.6f;
    }
    return 0.0f;
}

struct Knobs
{
    const char* label;
    float attack, sustain, sensitivity, punch, clip, mix, output;
};

const Knobs knobSettings[] = {
    { "defaults", 5.0f, -2.5f, 60.0f, 30.0f, 25.0f, 100.0f, 0.0f },
    { "allUp", 12.0f, 12.0f, 100.0f, 100.0f, 100.0f, 100.0f, 12.0f },
    { "allDown", -12.0f, -12.0f, 0.0f, 0.0f, 0.0f, 50.0f, -12.0f },
    { "clipEdge", 12.0f, -12.0f, 100.0f, 0.0f, 0.01f, 100.0f, 6.0f },
};

struct Case
{
    Signal signal;
    int mode, focus;
    double rate;
    int blockSize, channels, knobs;
    bool baselineKernels = false; // the SSE2 kernels, as on CPUs without AVX2
};

void PrintTo (const Case& c, std::ostream* out)
{
    *out << signalName (c.signal) << " mode " << c.mode << " focus " << c.focus << " " << c.rate << " Hz block " << c.blockSize << " ch " << c.channels << " " << knobSettings[c.knobs].label << (c.baselineKernels ? " SSE2" : "");
}

std::vector<Case> allCases()
{
    const double rates[] = { 8000.0, 44100.0, 48000.0, 96000.0, 192000.0 };
    // 1 and 3: a stereo block of a few frames shares one kernel vector between its channels.
    const int blocks[] = { 1, 3, 7, 64, 333, 512, 4096 };
    std::vector<Case> cases;
    int n = 0;
    for (int s = 0; s < 8; ++s)
        for (int mode = 0; mode < 3; ++mode)
            for (int focus = 0; focus < 3; ++focus, ++n)
                cases.push_back ({ (Signal) s, mode, focus, rates[n % 5], blocks[n % 7], 1 + (n / 2) % 2, n % 4 });

    // Every case again on the baseline kernels, where this CPU would otherwise pick AVX2.
    const auto count = cases.size();
    for (size_t i = 0; i < count; ++i)
    {
        auto baseline = cases[i];
        baseline.baselineKernels = true;
        cases.push_back (baseline);
    }
    return cases;
}

ReferenceShaper::Settings settingsOf (KravellAudioProcessor& p)
{
    ReferenceShaper::Settings s;
    s.power = getPlain (p, "power") >= 0.5f;
    s.mode = juce::roundToInt (getPlain (p, "mode"));
    s.attack = getPlain (p, "attack");
    s.sustain = getPlain (p, "sustain");
    s.sensitivity = getPlain (p, "sensitivity");
    s.focus = juce::roundToInt (getPlain (p, "focus"));
    s.punch = getPlain (p, "punch");
    s.clip = getPlain (p, "clip");
    s.mix = getPlain (p, "mix");
    s.output = getPlain (p, "output");
    return s;
}

class EngineEquivalence : public ::testing::TestWithParam<Case>
{
};
} // namespace

TEST_P (EngineEquivalence, MatchesThePlainFormulas)
{
    const auto& c = GetParam();
    const auto& knobs = knobSettings[c.knobs];

    KravellAudioProcessor processor;
    if (c.channels == 1)
    {
        juce::AudioProcessor::BusesLayout mono;
        mono.inputBuses.add (juce::AudioChannelSet::mono());
        mono.outputBuses.add (juce::AudioChannelSet::mono());
        ASSERT_TRUE (processor.setBusesLayout (mono));
    }

    setPlain (processor, "mode", (float) c.mode);
    setPlain (processor, "focus", (float) c.focus);
    setPlain (processor, "attack", knobs.attack);
    setPlain (processor, "sustain", knobs.sustain);
    setPlain (processor, "sensitivity", knobs.sensitivity);
    setPlain (processor, "punch", knobs.punch);
    setPlain (processor, "clip", knobs.clip);
    setPlain (processor, "mix", knobs.mix);
    setPlain (processor, "output", knobs.output);

    if (c.baselineKernels)
        setenv ("KRAVELL_NO_AVX2", "1", 1);
    processor.prepareToPlay (c.rate, c.blockSize);
    unsetenv ("KRAVELL_NO_AVX2");
    ReferenceShaper reference;
    reference.prepare (c.rate, settingsOf (processor));

    const auto total = (int) (c.rate * 0.3);
    juce::Random random (99);
    juce::AudioBuffer<float> buffer (c.channels, c.blockSize), expected (c.channels, c.blockSize);
    juce::MidiBuffer midi;
    double worst = 0.0;
    int blockIndex = 0;

    for (int start = 0; start < total; start += c.blockSize, ++blockIndex)
    {
        // Parameters move between blocks, about every 25 ms, including mode, focus and power.
        const auto blocksPer25ms = std::max (1, (int) (c.rate * 0.025) / c.blockSize);
        if (blockIndex % blocksPer25ms == 0 && blockIndex > 0)
        {
            const auto step = blockIndex / blocksPer25ms;
            setPlain (processor, "attack", (float) ((step * 7) % 25 - 12));
            setPlain (processor, "sustain", (float) ((step * 5) % 25 - 12));
            setPlain (processor, "mix", step % 3 == 0 ? 100.0f : 60.0f);
            setPlain (processor, "clip", step % 4 == 0 ? 0.0f : knobs.clip);
            if (step % 5 == 0)
                setPlain (processor, "mode", (float) ((c.mode + step) % 3));
            if (step % 7 == 0)
                setPlain (processor, "focus", (float) ((c.focus + step) % 3));
            if (step == 6)
                setPlain (processor, "power", 0.0f);
            if (step == 8)
                setPlain (processor, "power", 1.0f);
        }

        const auto n = std::min (c.blockSize, total - start);
        buffer.setSize (c.channels, n, false, false, true);
        expected.setSize (c.channels, n, false, false, true);
        for (int ch = 0; ch < c.channels; ++ch)
            for (int i = 0; i < n; ++i)
                buffer.setSample (ch, i, signalSample (c.signal, ch, start + i, c.rate, random));
        expected.makeCopyOf (buffer, true);

        processor.processBlock (buffer, midi);
        reference.process (expected.getArrayOfWritePointers(), c.channels, n, settingsOf (processor));

        for (int ch = 0; ch < c.channels; ++ch)
            for (int i = 0; i < n; ++i)
            {
                const double want = expected.getSample (ch, i);
                const double got = buffer.getSample (ch, i);
                const auto error = std::abs (got - want) / std::max (1.0, std::abs (want));
                worst = std::max (worst, error);
                ASSERT_LE (error, 1e-5) << "block " << blockIndex << " channel " << ch << " sample " << i << ": " << got << " vs " << want;
            }

        for (int ch = 0; ch < 2; ++ch)
        {
            ASSERT_NEAR (processor.getInputMeter (ch), reference.inputMeter[ch], 1e-6f);
            ASSERT_NEAR (processor.getOutputMeter (ch), reference.outputMeter[ch], 1e-5f);
        }
    }

    RecordProperty ("worstRelativeError", juce::String (worst).toStdString());
}

INSTANTIATE_TEST_SUITE_P (SignalsModesFocus, EngineEquivalence, ::testing::ValuesIn (allCases()), [] (const auto& testInfo) {
    const auto& c = testInfo.param;
    return std::string (signalName (c.signal)) + "_m" + std::to_string (c.mode) + "f" + std::to_string (c.focus) + "_" + std::to_string ((int) c.rate) + "Hz_b" + std::to_string (c.blockSize) + "_ch" + std::to_string (c.channels) + "_" + knobSettings[c.knobs].label + (c.baselineKernels ? "_sse2" : "");
});
