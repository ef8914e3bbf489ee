// The processor's processBlock on a 48 kHz stereo drum loop in blocks of 512, timed with the
// standard clock alone so the same program builds for Linux and for Windows (where it runs
// under Wine, at native speed for code like this). Each figure is the best of several timed
// rounds, so a busy machine disturbs it less. It prints figures; it never fails.

#include <chrono>
#include <cstdio>
#include <functional>

#include "processor/PluginProcessor.h"
#include "render/DrumLoop.h"

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

struct Setting
{
    const char* id;
    float plain;
};

/** Nanoseconds per stereo frame: the best of `rounds` rounds of `seconds` each. */
double nanosecondsPerFrame (std::initializer_list<Setting> settings, int rounds, double seconds)
{
    KravellAudioProcessor processor;
    for (const auto& setting : settings)
        if (auto* parameter = processor.parameterState.getParameter (setting.id))
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (setting.plain));
    processor.prepareToPlay (sampleRate, blockSize);

    const auto loop = makeDrumLoop (sampleRate, 2.0);
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    int position = 0;
    const auto runBlock = [&]
    {
        if (position + blockSize > loop.getNumSamples())
            position = 0;
        for (int c = 0; c < 2; ++c)
            buffer.copyFrom (c, 0, loop, c, position, blockSize);
        position += blockSize;
        processor.processBlock (buffer, midi);
    };

    using Clock = std::chrono::steady_clock;
    const auto blocksPerRound = std::max (1, (int) (seconds * sampleRate / blockSize));
    for (int i = 0; i < blocksPerRound / 4; ++i)
        runBlock();

    double best = 1.0e30;
    for (int round = 0; round < rounds; ++round)
    {
        const auto start = Clock::now();
        for (int i = 0; i < blocksPerRound; ++i)
            runBlock();
        const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
        best = std::min (best, elapsed.count() / ((double) blocksPerRound * blockSize));
    }

    // Keeps the output alive, so no round can be optimised away.
    if (std::equal_to<float>() (buffer.getSample (0, 0), 12345.0f))
        std::puts ("");
    return best;
}

void report (const char* name, double nanoseconds)
{
    std::printf ("%-18s %8.2f ns/frame  %7.0fx real time\n", name, nanoseconds, 1.0e9 / nanoseconds / sampleRate);
}
} // namespace

int main (int argc, char** argv)
{
    // Optional: seconds of audio per round (default 20, i.e. about 0.1 s of work per round).
    const auto secondsPerRound = argc > 1 ? std::max (1.0, std::atof (argv[1])) : 20.0;
    const int rounds = 7;

    std::printf ("processBlock, 48 kHz stereo drum loop, block %d, best of %d rounds of %.0f s of audio\n", blockSize, rounds, secondsPerRound);
    report ("defaults", nanosecondsPerFrame ({}, rounds, secondsPerRound));
    report ("everything active",
            nanosecondsPerFrame ({ { "attack", 10.0f }, { "sustain", -6.0f }, { "punch", 100.0f }, { "clip", 100.0f }, { "mix", 50.0f } }, rounds, secondsPerRound));
    return 0;
}
