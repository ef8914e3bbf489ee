// processBlock on a 48 kHz drum loop: the plug-in's engine against the plainly written
// per-sample version, in the same run, mono and stereo, for blocks from 1 to 4096 samples.
// The table and the speed-ups are printed at the end.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "processor/PluginProcessor.h"
#include "render/DrumLoop.h"
#include "support/ProcessorHelpers.h"
#include "support/ReferenceShaper.h"

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSizes[] = { 1, 32, 64, 512, 4096 };

const juce::AudioBuffer<float>& drumLoop()
{
    static const auto loop = makeDrumLoop (sampleRate, 2.0);
    return loop;
}

ReferenceShaper::Settings settingsFor (bool everythingActive)
{
    ReferenceShaper::Settings s;
    if (everythingActive)
    {
        s.attack = 10.0f;
        s.sustain = -6.0f;
        s.punch = 100.0f;
        s.clip = 100.0f;
        s.mix = 50.0f;
    }
    return s;
}

void apply (KravellAudioProcessor& processor, const ReferenceShaper::Settings& s)
{
    setPlain (processor, "attack", s.attack);
    setPlain (processor, "sustain", s.sustain);
    setPlain (processor, "punch", s.punch);
    setPlain (processor, "clip", s.clip);
    setPlain (processor, "mix", s.mix);
}

/** Copies the next block of the loop into the buffer (its first channels). */
void nextBlock (juce::AudioBuffer<float>& buffer, int& position)
{
    const auto& loop = drumLoop();
    const auto blockSize = buffer.getNumSamples();
    if (position + blockSize > loop.getNumSamples())
        position = 0;
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        buffer.copyFrom (c, 0, loop, c, position, blockSize);
    position += blockSize;
}

// Arguments: settings (0 defaults, 1 everything active), channels, block size.
void engine (benchmark::State& state)
{
    const auto channels = (int) state.range (1), blockSize = (int) state.range (2);
    KravellAudioProcessor processor;
    processor.setPlayConfigDetails (channels, channels, sampleRate, blockSize);
    apply (processor, settingsFor (state.range (0) != 0));
    processor.prepareToPlay (sampleRate, blockSize);
    juce::AudioBuffer<float> buffer (channels, blockSize);
    juce::MidiBuffer midi;
    int position = 0;

    for (auto _ : state)
    {
        nextBlock (buffer, position);
        processor.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
}

void plain (benchmark::State& state)
{
    const auto channels = (int) state.range (1), blockSize = (int) state.range (2);
    const auto settings = settingsFor (state.range (0) != 0);
    ReferenceShaper reference;
    reference.prepare (sampleRate, settings);
    juce::AudioBuffer<float> buffer (channels, blockSize);
    int position = 0;

    for (auto _ : state)
    {
        nextBlock (buffer, position);
        reference.process (buffer.getArrayOfWritePointers(), channels, blockSize, settings);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
}

void arguments (benchmark::internal::Benchmark* b)
{
    for (int settings : { 0, 1 })
        for (int channels : { 1, 2 })
            for (int blockSize : blockSizes)
                b->Args ({ settings, channels, blockSize });
}

/** Remembers each run's time per frame so the table and speed-ups can be printed after it. */
class RatioReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns (const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns (runs);
        for (const auto& run : runs)
        {
            if (run.run_type != Run::RT_Iteration)
                continue;
            int settings = 0, channels = 0, blockSize = 0;
            if (std::sscanf (run.run_name.args.c_str(), "%d/%d/%d", &settings, &channels, &blockSize) == 3)
                nanosecondsPerFrame[{ run.run_name.function_name, settings, channels, blockSize }] = run.GetAdjustedRealTime() / blockSize;
        }
    }

    void printTable() const
    {
        for (int settings : { 0, 1 })
        {
            std::printf ("\nns per frame at 48 kHz, %s:\n", settings == 0 ? "defaults" : "everything active");
            std::printf ("  %-8s %-7s %10s %10s %9s %12s\n", "block", "", "engine", "plain", "speed-up", "vs block 512");
            for (int channels : { 1, 2 })
                for (int blockSize : blockSizes)
                {
                    const auto fast = find ("engine", settings, channels, blockSize);
                    const auto slow = find ("plain", settings, channels, blockSize);
                    const auto at512 = find ("engine", settings, channels, 512);
                    std::printf ("  %-8d %-7s %10.2f %10.2f %8.1fx %11.2fx\n", blockSize, channels == 1 ? "mono" : "stereo", fast, slow, slow / fast, fast / at512);
                }
        }
    }

private:
    using Key = std::tuple<std::string, int, int, int>;

    double find (const char* function, int settings, int channels, int blockSize) const
    {
        const auto it = nanosecondsPerFrame.find ({ function, settings, channels, blockSize });
        return it == nanosecondsPerFrame.end() ? std::nan ("") : it->second;
    }

    std::map<Key, double> nanosecondsPerFrame;
};
} // namespace

BENCHMARK (engine)->Apply (arguments)->MinTime (0.2);
BENCHMARK (plain)->Apply (arguments)->MinTime (0.2);

int main (int argc, char** argv)
{
    benchmark::Initialize (&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks (&reporter);
    reporter.printTable();
    benchmark::Shutdown();
    return 0;
}
