// The demo loop through the LV2 in Debian's lv2apply, against the same settings rendered by
// kravell-render, which runs the processor the VST3 wraps.

#include "lv2/Lv2TestHost.h"

#include <juce_audio_formats/juce_audio_formats.h>

namespace
{
/** A fresh folder for one case's files: ctest runs each case in its own process, maybe side by side. */
juce::File renderFolder (const juce::String& caseName)
{
    const juce::File folder (juce::String (KRAVELL_TEST_OUTPUT_DIR) + "/lv2-renders/" + caseName);
    folder.deleteRecursively();
    folder.createDirectory();
    return folder;
}

juce::AudioBuffer<float> readWave (const juce::File& file, double& sampleRate)
{
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (file.createInputStream().release(), true));
    if (reader == nullptr)
        throw std::runtime_error (("cannot read " + file.getFullPathName()).toStdString());
    juce::AudioBuffer<float> buffer ((int) reader->numChannels, (int) reader->lengthInSamples);
    reader->read (&buffer, 0, buffer.getNumSamples(), 0, true, true);
    sampleRate = reader->sampleRate;
    return buffer;
}

/** The demo loop in 32-bit float: lv2apply writes its output in the input's format, so the
    comparison then sees the processing alone, not a 24-bit rounding of it. */
juce::File floatDemoLoop (const juce::File& folder)
{
    const auto demo = folder.getChildFile ("demo-loop.wav");
    juce::String output;
    if (runProgram ({ KRAVELL_RENDER_TOOL, "--make-demo", demo.getFullPathName() }, output) != 0)
        throw std::runtime_error (("kravell-render --make-demo failed: " + output).toStdString());

    double sampleRate = 0.0;
    const auto audio = readWave (demo, sampleRate);
    const auto floatDemo = folder.getChildFile ("demo-loop-float.wav");
    juce::WavAudioFormat wav;
    auto stream = floatDemo.createOutputStream();
    // The framework writes 32-bit WAV as IEEE float.
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), sampleRate, (unsigned int) audio.getNumChannels(), 32, {}, 0));
    if (writer != nullptr)
        stream.release();
    if (writer == nullptr || ! writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()))
        throw std::runtime_error ("cannot write the float demo loop");
    return floatDemo;
}

struct RenderCase
{
    const char* name;
    std::vector<std::pair<const char*, const char*>> settings; // port symbol / parameter ID, plain value
    bool leavesTheLoopDry;                                    // switched off: the dry loop comes out
};

void PrintTo (const RenderCase& renderCase, std::ostream* os) { *os << renderCase.name; }

class Lv2Render : public ::testing::TestWithParam<RenderCase>
{
};
} // namespace

TEST_P (Lv2Render, Lv2ApplyMatchesThePluginsOwnRenderOfTheDemoLoop)
{
    const auto& renderCase = GetParam();
    pointLv2PathAtTheBuiltBundle();
    const auto folder = renderFolder (renderCase.name);
    const auto input = floatDemoLoop (folder);
    const auto viaLv2 = folder.getChildFile ("lv2apply.wav");
    const auto viaProcessor = folder.getChildFile ("kravell-render.wav");

    juce::StringArray lv2apply { "lv2apply", "-i", input.getFullPathName(), "-o", viaLv2.getFullPathName() };
    juce::StringArray render { KRAVELL_RENDER_TOOL };
    for (const auto& [id, value] : renderCase.settings)
    {
        lv2apply.addArray ({ "-c", id, value });
        render.addArray ({ "--set", juce::String (id) + "=" + value });
    }
    lv2apply.add (kravellLv2Uri);
    render.addArray ({ input.getFullPathName(), viaProcessor.getFullPathName() });

    juce::String output;
    ASSERT_EQ (runProgram (lv2apply, output), 0) << output;
    ASSERT_EQ (runProgram (render, output), 0) << output;

    double lv2Rate = 0.0, processorRate = 0.0, inputRate = 0.0;
    const auto lv2 = readWave (viaLv2, lv2Rate);
    const auto processed = readWave (viaProcessor, processorRate);
    const auto dry = readWave (input, inputRate);
    ASSERT_EQ (lv2.getNumChannels(), 2);
    ASSERT_EQ (processed.getNumChannels(), 2);
    ASSERT_EQ (lv2.getNumSamples(), processed.getNumSamples());
    ASSERT_EQ (lv2.getNumSamples(), dry.getNumSamples());
    EXPECT_EQ (lv2Rate, processorRate);

    float largest = 0.0f, largestFromDry = 0.0f;
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < lv2.getNumSamples(); ++i)
        {
            largest = std::max (largest, std::abs (lv2.getSample (channel, i) - processed.getSample (channel, i)));
            largestFromDry = std::max (largestFromDry, std::abs (lv2.getSample (channel, i) - dry.getSample (channel, i)));
        }

    const auto report = juce::String (renderCase.name) + ": LV2 (lv2apply) against the plug-in's render, largest difference "
                        + juce::String (largest, 9, true) + " over " + juce::String (lv2.getNumSamples()) + " stereo frames";
    std::cout << report << std::endl;
    folder.getChildFile ("difference.txt").replaceWithText (report + "\n");

    EXPECT_LE (largest, 1.0e-5f);
    if (renderCase.leavesTheLoopDry)
        EXPECT_LE (largestFromDry, 1.0e-5f) << "switched off from the start, the loop passes unchanged";
    else
        EXPECT_GT (largestFromDry, 0.01f) << "the settings must audibly change the loop, or the comparison proves nothing";
}

INSTANTIATE_TEST_SUITE_P (DemoLoop, Lv2Render,
                          ::testing::Values (RenderCase { "every_control_moved", { { "mode", "0" }, { "attack", "8" }, { "sustain", "-6" }, { "sensitivity", "75" }, { "focus", "2" }, { "punch", "60" }, { "clip", "40" }, { "mix", "80" }, { "output", "-5" } }, false },
                                             RenderCase { "smooth_low_focus_half_mix", { { "mode", "2" }, { "attack", "-9.5" }, { "sustain", "11" }, { "focus", "0" }, { "mix", "50" }, { "clip", "0" } }, false },
                                             RenderCase { "switched_off", { { "power", "0" }, { "attack", "12" }, { "output", "6" } }, true }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });
