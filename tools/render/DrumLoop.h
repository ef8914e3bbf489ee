#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** A synthetic stereo drum loop at 120 BPM: kick on the beats, snare on 2 and 4, closed
    hats on the eighths, with a little stereo spread. Deterministic for a given seed. */
inline juce::AudioBuffer<float> makeDrumLoop (double sampleRate, double seconds, int seed = 1)
{
    const auto total = (int) (sampleRate * seconds);
    juce::AudioBuffer<float> loop (2, total);
    loop.clear();
    juce::Random random (seed);
    const auto twoPi = juce::MathConstants<double>::twoPi;
    const auto beat = 0.5;

    for (int i = 0; i < total; ++i)
    {
        const auto t = i / sampleRate;
        const auto inBeat = std::fmod (t, beat);
        const auto inEighth = std::fmod (t, beat * 0.5);
        const auto beatNumber = (int) (t / beat) % 4;

        const auto kick = 0.9 * std::exp (-inBeat * 14.0) * std::sin (twoPi * (45.0 * inBeat + 90.0 * (1.0 - std::exp (-inBeat * 40.0)) / 40.0));
        const auto noise = random.nextFloat() * 2.0 - 1.0;
        const auto snare = (beatNumber == 1 || beatNumber == 3) ? std::exp (-inBeat * 28.0) * (0.45 * noise + 0.35 * std::sin (twoPi * 185.0 * inBeat)) : 0.0;
        const auto hat = 0.12 * std::exp (-inEighth * 90.0) * (random.nextFloat() * 2.0 - 1.0);

        loop.setSample (0, i, (float) (kick + snare * 0.9 + hat * 1.2));
        loop.setSample (1, i, (float) (kick + snare + hat * 0.8));
    }

    // Peaks at -3 dBFS, leaving the shaper headroom to add punch.
    const auto peak = std::max (loop.getMagnitude (0, 0, total), loop.getMagnitude (1, 0, total));
    if (peak > 0.0f)
        loop.applyGain (0.7079f / peak);
    return loop;
}
