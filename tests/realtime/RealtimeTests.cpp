// Proves the audio path real-time safe: this binary replaces the global allocation functions
// and interposes the mutex lock, and fails on any allocation or lock taken while a block is
// being processed.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pthread.h>

#include "support/ProcessorHelpers.h"

namespace
{
// Only the thread running processBlock is watched; the framework's own threads may allocate.
thread_local bool watching = false;
std::atomic<int> allocations { 0 };
std::atomic<int> locks { 0 };

void* allocate (std::size_t size)
{
    if (watching)
        allocations.fetch_add (1);
    if (auto* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

/** Counts what happens inside one processBlock call. */
struct Watch
{
    Watch() { watching = true; }
    ~Watch() { watching = false; }
};
} // namespace

void* operator new (std::size_t size) { return allocate (size); }
void* operator new[] (std::size_t size) { return allocate (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept { return std::malloc (size == 0 ? 1 : size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { return std::malloc (size == 0 ? 1 : size); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }

extern "C" int pthread_mutex_lock (pthread_mutex_t* mutex)
{
    using Lock = int (*) (pthread_mutex_t*);
    static auto* real = reinterpret_cast<Lock> (dlsym (RTLD_NEXT, "pthread_mutex_lock"));
    if (watching)
        locks.fetch_add (1);
    return real (mutex);
}

TEST (RealtimeSafety, ProcessBlockNeverAllocatesOrLocks)
{
    // Make sure the counters themselves work before trusting a zero.
    {
        Watch watch;
        auto* probe = new std::vector<int> (10);
        delete probe;
    }
    ASSERT_GT (allocations.load(), 0);
    allocations = 0;

    KravellAudioProcessor processor;
    juce::MidiBuffer midi;
    juce::Random random (1);

    for (auto rate : { 44100.0, 8000.0, 192000.0, 48000.0 })
    {
        processor.prepareToPlay (rate, 512);
        for (auto blockSize : { 1, 2, 3, 4, 5, 32, 63, 64, 65, 129, 512, 4096, 8192 })
        {
            juce::AudioBuffer<float> buffer (2, blockSize);
            for (int step = 0; step < 6; ++step)
            {
                // Host automation between blocks: every knob, mode, focus and power move.
                setPlain (processor, "attack", random.nextFloat() * 24.0f - 12.0f);
                setPlain (processor, "mix", random.nextFloat() * 100.0f);
                setPlain (processor, "clip", step % 2 == 0 ? 0.0f : 80.0f);
                setPlain (processor, "mode", (float) (step % 3));
                setPlain (processor, "focus", (float) ((step + 1) % 3));
                setPlain (processor, "power", step == 3 ? 0.0f : 1.0f);

                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < blockSize; ++i)
                        buffer.setSample (c, i, random.nextFloat() * 2.0f - 1.0f);

                Watch watch;
                processor.processBlock (buffer, midi);
            }
        }
    }

    EXPECT_EQ (allocations.load(), 0);
    EXPECT_EQ (locks.load(), 0);
}
