#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

/** The transient shaper written out plainly, sample by sample, straight from its formulas:
    follower coefficients recomputed in double with std::exp every sample, scalar std::tanh,
    the framework's decibel rule, its IIR filters and linear smoothers, and the meter mapping
    with a log10 for every sample. Tests compare the optimised engine with it; the benchmark
    times it as the plain baseline. It shares no code with the engine on purpose. */
struct ReferenceShaper
{
    /** Plain parameter values, as the host sets them. */
    struct Settings
    {
        bool power = true;
        int mode = 1;
        float attack = 5.0f, sustain = -2.5f, sensitivity = 60.0f;
        int focus = 1;
        float punch = 30.0f, clip = 25.0f, mix = 100.0f, output = 0.0f;
    };

    juce::dsp::IIR::Filter<float> low[2], high[2];
    float fast[2] = { 0.0f, 0.0f }, slow[2] = { 0.0f, 0.0f };
    double sampleRate = 44100.0;
    juce::SmoothedValue<float> smoothers[8];
    float inputMeter[2] = { 0.0f, 0.0f }, outputMeter[2] = { 0.0f, 0.0f };

    static void targetsOf (const Settings& s, float (&targets)[8])
    {
        const float values[8] = { s.attack, s.sustain, s.sensitivity * 0.01f, s.punch * 0.01f, s.clip * 0.01f, s.mix * 0.01f, juce::Decibels::decibelsToGain (s.output), s.power ? 1.0f : 0.0f };
        std::copy (values, values + 8, targets);
    }

    void prepare (double rate, const Settings& settings)
    {
        sampleRate = rate;
        for (int c = 0; c < 2; ++c)
        {
            low[c].coefficients = juce::dsp::IIR::Coefficients<float>::makeLowPass (rate, 220.0f);
            high[c].coefficients = juce::dsp::IIR::Coefficients<float>::makeHighPass (rate, 2400.0f);
            low[c].reset();
            high[c].reset();
            fast[c] = slow[c] = 0.0f;
        }

        const double ramps[8] = { 0.02, 0.02, 0.03, 0.03, 0.03, 0.03, 0.02, 0.02 };
        float targets[8];
        targetsOf (settings, targets);
        for (int i = 0; i < 8; ++i)
        {
            smoothers[i].reset (rate, ramps[i]);
            smoothers[i].setCurrentAndTargetValue (targets[i]);
        }
    }

    static float coefficient (double seconds, double rate)
    {
        return (float) std::exp (-1.0 / std::max (std::max (seconds, 0.00001) * rate, 1.0));
    }

    float shape (float x, int c, const float (&v)[8], int focus, int mode)
    {
        const double times[3][4] = { { 0.0006, 0.014, 0.016, 0.12 }, { 0.0003, 0.012, 0.034, 0.24 }, { 0.0012, 0.03, 0.045, 0.32 } };
        const float gains[3] = { 1.1f, 1.25f, 0.86f };
        const int m = mode <= 0 ? 0 : (mode >= 2 ? 2 : 1);

        float d;
        if (focus <= 0)
            d = low[c].processSample (x);
        else if (focus >= 2)
            d = high[c].processSample (x);
        else
        {
            const float l = low[c].processSample (x);
            const float h = high[c].processSample (x);
            d = 0.25f * h + 0.2f * (x - l) + 0.55f * x;
        }

        const float rectified = std::abs (d);
        fast[c] = (fast[c] - rectified) * coefficient (rectified > fast[c] ? times[m][0] : times[m][1], sampleRate) + rectified;
        slow[c] = (slow[c] - rectified) * coefficient (rectified > slow[c] ? times[m][2] : times[m][3], sampleRate) + rectified;

        const float s = v[2], p = v[3], k = v[4], mix = v[5], outputGain = v[6];
        const float raw = std::max (fast[c] - 0.88f * slow[c], 0.0f) / (fast[c] + 0.0001f) * (1.35f * s + 0.35f) * gains[m];
        const float j = std::min (std::max (raw, 0.0f), 1.0f);
        const float body = std::min (std::max (1.0f - (0.78f - 0.08f * p) * j, 0.0f), 1.0f);
        const float ga = juce::Decibels::decibelsToGain (j * v[0]);
        const float gb = juce::Decibels::decibelsToGain (body * v[1]);
        const float part = j * x;
        const float q = 1.0f + 3.2f * p * j;
        const float sat = std::tanh (q * part) / std::max (std::tanh (q), 0.001f) - part;
        float out = sat * (0.35f + 0.35f * p) + gb * (x - part) + ga * part;
        if (k > 0.0001f)
        {
            const float u = 1.0f + 4.0f * k;
            out = out + (std::tanh (u * out) / std::max (std::tanh (u), 0.001f) - out) * k;
        }
        return x + mix * (out * outputGain - x);
    }

    static float toMeter (float a)
    {
        if (a <= 0.000001f)
            return 0.0f;
        const float level = std::max (20.0f * std::log10 (a), -72.0f);
        return std::min (std::max ((level + 60.0f) / 60.0f, 0.0f), 1.0f);
    }

    void process (float* const* channels, int numChannels, int numSamples, const Settings& settings)
    {
        float targets[8];
        targetsOf (settings, targets);
        for (int i = 0; i < 8; ++i)
            smoothers[i].setTargetValue (targets[i]);

        float inPeak[2] = { 0.0f, 0.0f }, outPeak[2] = { 0.0f, 0.0f };
        for (int i = 0; i < numSamples; ++i)
        {
            float v[8];
            for (int s = 0; s < 8; ++s)
                v[s] = smoothers[s].getNextValue();

            for (int c = 0; c < numChannels; ++c)
            {
                const float x = channels[c][i];
                const float y = shape (x, c, v, settings.focus, settings.mode);
                const float out = (y - x) * v[7] + x;
                channels[c][i] = out;
                inPeak[c] = std::max (inPeak[c], toMeter (std::abs (x)));
                outPeak[c] = std::max (outPeak[c], toMeter (std::abs (out)));
            }
        }

        for (int c = 0; c < 2; ++c)
        {
            inputMeter[c] = std::max (inputMeter[c] * 0.86f, inPeak[c]);
            outputMeter[c] = std::max (outputMeter[c] * 0.86f, outPeak[c]);
        }
    }
};
