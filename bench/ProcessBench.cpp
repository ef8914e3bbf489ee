// processBlock on a 48 kHz stereo drum loop, block 512: the plug-in's engine against the
// plainly written per-sample version, in the same run, with the speed-up printed at the end.

#include <benchmark/benchmark.h>

#include "processor/PluginProcessor.h"
#include "render/DrumLoop.h"
#include "support/ProcessorHelpers.h"
#include "support/ReferenceShaper.h"

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

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

/** Copies the next block of the loop into the buffer. */
void nextBlock (juce::AudioBuffer<float>& buffer, int& position)
{
    const auto& loop = drumLoop();
    if (position + blockSize > loop.getNumSamples())
        position = 0;
    for (int c = 0; c < 2; ++c)
        buffer.copyFrom (c, 0, loop, c, position, blockSize);
    position += blockSize;
}

void setCounters (benchmark::State& state)
{
    state.counters["frames_per_s"] = benchmark::Counter ((double) blockSize, benchmark::Counter::kIsIterationInvariantRate);
}

void engine (benchmark::State& state)
{
    KravellAudioProcessor processor;
    apply (processor, settingsFor (state.range (0) != 0));
    processor.prepareToPlay (sampleRate, blockSize);
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    int position = 0;

    for (auto _ : state)
    {
        nextBlock (buffer, position);
        processor.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    setCounters (state);
}

void plain (benchmark::State& state)
{
    const auto settings = settingsFor (state.range (0) != 0);
    ReferenceShaper reference;
    reference.prepare (sampleRate, settings);
    juce::AudioBuffer<float> buffer (2, blockSize);
    int position = 0;

    for (auto _ : state)
    {
        nextBlock (buffer, position);
        reference.process (buffer.getArrayOfWritePointers(), 2, blockSize, settings);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    setCounters (state);
}

/** Remembers each run's time so the speed-ups can be printed after the table. */
class RatioReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns (const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns (runs);
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
    }

    void printRatios() const
    {
        std::printf ("\nper stereo frame at 48 kHz, block %d (0 = defaults, 1 = everything active):\n", blockSize);
        for (const auto& [name, nanosecondsPerBlock] : times)
            std::printf ("  %-9s %7.2f ns/frame  %8.0fx real time\n", name.c_str(), nanosecondsPerBlock / blockSize, 1e9 / (nanosecondsPerBlock / blockSize) / sampleRate);

        for (const char* variant : { "0", "1" })
        {
            const auto fast = times.find (std::string ("engine/") + variant);
            const auto slow = times.find (std::string ("plain/") + variant);
            if (fast != times.end() && slow != times.end())
                std::printf ("speed-up over the plain version (%s): %.1fx\n", variant[0] == '0' ? "defaults" : "everything active", slow->second / fast->second);
        }
    }

private:
    std::map<std::string, double> times;
};
} // namespace

BENCHMARK (engine)->Arg (0)->Arg (1)->MinTime (0.5);
BENCHMARK (plain)->Arg (0)->Arg (1)->MinTime (0.5);

int main (int argc, char** argv)
{
    benchmark::Initialize (&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks (&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
