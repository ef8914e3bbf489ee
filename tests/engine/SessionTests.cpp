#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/Engine.h"

#include <juce_core/juce_core.h>

// Instances share their working arrays (the engine's scratch pool): an instance's output must
// not depend on which other instances ran before it, on the same thread or beside it on
// others. Each instance of a small session is run alone, then all of them interleaved block
// by block on one thread, then each on a thread of its own, all at once; every output sample
// and every meter must be bit-identical to the instance run alone.

namespace
{
// More threads than the pool has slots, so some threads must share a slot's place in the
// pool, and some find every slot taken.
constexpr int numInstances = 20;
constexpr int framesPerInstance = 24000;

struct SessionCase
{
    int blockSize, channels;
};

void PrintTo (const SessionCase& c, std::ostream* out) { *out << "block " << c.blockSize << " ch " << c.channels; }

/** What instance `instance` is set to during block `block`: each its own settings, some
    settled for long stretches (their control lanes are constants another instance may
    already have written), some moving often (ramping lanes), and two alike. */
ControlValues controlsFor (int instance, int block)
{
    ControlValues v;
    const auto step = instance % 3 == 2 ? block / 3 : block / 40;
    instance %= 6;
    v.attack = instance == 1 ? 5.0f : (float) ((instance * 5 + step * 7) % 25 - 12);
    v.sustain = instance == 1 ? -2.5f : (float) ((instance * 3 + step * 5) % 25 - 12);
    v.sensitivity = 0.2f + 0.1f * (float) instance;
    v.punch = (step + instance) % 2 == 0 ? 0.3f : 1.0f;
    v.clip = (step + instance) % 3 == 0 ? 0.0f : 0.25f * (float) (instance % 4);
    v.mix = (step % 4 == 1) ? 0.5f : 1.0f;
    v.outputGain = instance == 4 ? 0.5f : 1.0f;
    v.power = (instance == 5 && step % 5 == 4) ? 0.0f : 1.0f;
    v.modeIndex = (instance + step) % 3;
    v.focusIndex = (instance + step / 2) % 3;
    return v;
}

float inputSample (int instance, int channel, int i)
{
    // Bursts that decay, a different rhythm and level per instance and channel.
    const auto period = 700 + 130 * instance;
    const auto t = i % period;
    return (0.9f - 0.04f * (float) instance) * std::exp (-0.004f * (float) t) * std::sin (0.03f * (float) (t * (channel + 1 + instance)));
}

/** One instance: its state, its whole input, and what it produced. */
struct Instance
{
    EngineState engine;
    std::vector<std::vector<float>> audio;
    std::vector<BlockPeaks> peaks;
};

int numBlocksOf (const SessionCase& c) { return framesPerInstance / c.blockSize; }

void prepare (Instance& instance, int index, const SessionCase& c)
{
    instance.engine = EngineState();
    prepareEngine (instance.engine, 48000.0, controlsFor (index, 0));
    instance.audio.assign ((size_t) c.channels, std::vector<float> ((size_t) (numBlocksOf (c) * c.blockSize)));
    for (int ch = 0; ch < c.channels; ++ch)
        for (int i = 0; i < numBlocksOf (c) * c.blockSize; ++i)
            instance.audio[(size_t) ch][(size_t) i] = inputSample (index, ch, i);
    instance.peaks.clear();
}

void processBlockOf (Instance& instance, int index, int block, const SessionCase& c)
{
    float* channels[2] {};
    for (int ch = 0; ch < c.channels; ++ch)
        channels[ch] = instance.audio[(size_t) ch].data() + block * c.blockSize;
    instance.peaks.push_back (processEngineBlock (instance.engine, channels, c.channels, c.blockSize, controlsFor (index, block)));
}

void expectSameAs (const Instance& alone, const Instance& inSession, int index)
{
    ASSERT_EQ (alone.peaks.size(), inSession.peaks.size());
    for (size_t ch = 0; ch < alone.audio.size(); ++ch)
        for (size_t i = 0; i < alone.audio[ch].size(); ++i)
            ASSERT_EQ (alone.audio[ch][i], inSession.audio[ch][i]) << "instance " << index << " channel " << ch << " sample " << i;
    for (size_t b = 0; b < alone.peaks.size(); ++b)
        for (int ch = 0; ch < 2; ++ch)
        {
            ASSERT_EQ (alone.peaks[b].input[ch], inSession.peaks[b].input[ch]) << "instance " << index << " block " << b;
            ASSERT_EQ (alone.peaks[b].output[ch], inSession.peaks[b].output[ch]) << "instance " << index << " block " << b;
        }
}

class SharedScratch : public ::testing::TestWithParam<SessionCase>
{
protected:
    void SetUp() override
    {
        const auto& c = GetParam();
        for (int i = 0; i < numInstances; ++i)
        {
            prepare (alone[i], i, c);
            for (int block = 0; block < numBlocksOf (c); ++block)
                processBlockOf (alone[i], i, block, c);
            prepare (session[i], i, c);
        }
    }

    Instance alone[numInstances], session[numInstances];
};
} // namespace

TEST_P (SharedScratch, InterleavedOnOneThreadMatchesEachAlone)
{
    const auto& c = GetParam();
    for (int block = 0; block < numBlocksOf (c); ++block)
        for (int i = 0; i < numInstances; ++i)
            processBlockOf (session[i], i, block, c);

    for (int i = 0; i < numInstances; ++i)
        expectSameAs (alone[i], session[i], i);
}

TEST_P (SharedScratch, SpreadOverThreadsAtOnceMatchesEachAlone)
{
    // On two cores most of the threads are preempted in the middle of a block, holding their
    // slot: a slot taken twice would mix two instances' arrays.
    const auto& c = GetParam();
    std::atomic<int> ready { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < numInstances; ++t)
        threads.emplace_back ([&, t]
                              {
                                  ready.fetch_add (1);
                                  while (ready.load() < numInstances)
                                      std::this_thread::yield();
                                  for (int block = 0; block < numBlocksOf (c); ++block)
                                      processBlockOf (session[t], t, block, c);
                              });
    for (auto& thread : threads)
        thread.join();

    for (int i = 0; i < numInstances; ++i)
        expectSameAs (alone[i], session[i], i);
}

// 1 to 4 frames of stereo take the path where both channels share one kernel vector; 64 is
// one chunk; 100 and 200 run two chunks through the shared arrays in turn.
INSTANTIATE_TEST_SUITE_P (Blocks, SharedScratch, ::testing::Values (SessionCase { 1, 2 }, SessionCase { 3, 2 }, SessionCase { 5, 1 }, SessionCase { 32, 2 }, SessionCase { 64, 2 }, SessionCase { 100, 1 }, SessionCase { 200, 2 }), [] (const auto& testInfo) { return "b" + std::to_string (testInfo.param.blockSize) + "_ch" + std::to_string (testInfo.param.channels); });
