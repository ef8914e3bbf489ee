#pragma once

#include <atomic>

#include "engine/Detector.h"
#include "engine/ShaperKernel.h"

/** The ten parameters as the engine uses them, converted once per block; initially the
    parameters' defaults. */
struct ControlValues
{
    float attack = 5.0f;      // dB
    float sustain = -2.5f;    // dB
    float sensitivity = 0.6f; // 0..1
    float punch = 0.3f;       // 0..1
    float clip = 0.25f;       // 0..1
    float mix = 1.0f;         // 0..1
    float outputGain = 1.0f;  // linear
    float power = 1.0f;       // 1 on, 0 off
    int modeIndex = 1;
    int focusIndex = 1;
};

/** The eight linear smoothers, one per continuous control, in the order they advance. */
struct SmoothedControls
{
    juce::SmoothedValue<float> smoothedAttack, smoothedSustain, smoothedSensitivity, smoothedPunch,
        smoothedClip, smoothedMix, smoothedOutputGain, smoothedPower;

    /** Sets the ramp lengths for the sample rate and snaps every smoother to its value. */
    void prepare (double sampleRate, const ControlValues& values) noexcept;

    /** Sets the block's targets; a changed target starts a fresh full-length ramp. */
    void setTargets (const ControlValues& values) noexcept;
};

/** Meter scale: -60 dBFS and below reads 0, 0 dBFS and above reads 1, linear in dB. */
float levelToMeter (float absoluteLevel) noexcept;

/** The block's input and output peaks per channel, on the meter scale. */
struct BlockPeaks
{
    float input[2] = { 0.0f, 0.0f };
    float output[2] = { 0.0f, 0.0f };
};

/** One chunk's working arrays. Nothing in them lives from one block to the next, except that
    a lane remembers the constant it holds (whichever instance wrote it), so a settled control
    is not written again. */
struct alignas (64) EngineChunk
{
    static constexpr int chunkSize = detectorKernelMaxCount;

    float controls[8][chunkSize];
    float input[2][chunkSize];
    float fastEnvelope[2][chunkSize];
    float slowEnvelope[2][chunkSize];
    float output[2][chunkSize];
    bool clipIsConstant = false;
    float laneConstant[8] {};      // the value a control lane holds throughout...
    int laneConstantLength[8] {};  // ...for this many lanes (0: not a constant)
};

/** A block's working memory: two chunks, so the detector can run through the next while the
    current is shaped. It is not part of an instance: every instance on an audio thread works
    in the same one (see processEngineBlock), which stays in that core's cache however many
    instances a session holds. */
struct EngineScratch
{
    EngineChunk chunks[2] {};
};

/** Everything the audio thread keeps between blocks, owned by the processor: a few hundred
    bytes, touched on every block. */
struct EngineState
{
    static constexpr int chunkSize = EngineChunk::chunkSize;

    DetectorState detector;
    double currentSampleRate = 44100.0;
    SmoothedControls smoothed;
    FollowerCoefficients modeCoefficients[3];
    EngineKernels kernels { shapeLanesScalar, nullptr, nullptr }; // chosen by prepareEngine
};

/** Readies the engine for a sample rate: filters, cleared detector, snapped smoothers. */
void prepareEngine (EngineState& engine, double sampleRate, const ControlValues& current);

/** Processes one block in place (one or two channels) and returns its peaks. The working
    arrays come from a small pool shared by every instance in the process, claimed lock-free
    for the block (on Windows, from the calling thread's stack); any number of threads may call
    this at once. */
BlockPeaks processEngineBlock (EngineState& engine, float* const* channels, int numChannels, int numSamples, const ControlValues& targets) noexcept;

/** Publishes one block's peaks into decaying meter feeds (x 0.86 per block). */
void publishMeters (std::atomic<float> (&meters)[2], const float (&peaks)[2]) noexcept;
