#include <gtest/gtest.h>

#include <juce_audio_formats/juce_audio_formats.h>

#include "support/ProcessorHelpers.h"

// kravell-render as a user runs it: a child process, its exit code, its messages and files.

namespace
{
struct Result
{
    int exitCode;
    juce::String output;
};

Result run (const juce::StringArray& arguments)
{
    juce::StringArray command { KRAVELL_RENDER_TOOL };
    command.addArray (arguments);
    juce::ChildProcess process;
    if (! process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return { -1, "could not start" };
    const auto text = process.readAllProcessOutput();
    process.waitForProcessToFinish (60000);
    return { (int) process.getExitCode(), text };
}

void writeAudio (const juce::File& file, juce::AudioFormat& format, const juce::AudioBuffer<float>& audio, double rate, int bits)
{
    file.deleteFile();
    auto stream = file.createOutputStream();
    ASSERT_NE (stream, nullptr);
    std::unique_ptr<juce::AudioFormatWriter> writer (format.createWriterFor (stream.get(), rate, (unsigned int) audio.getNumChannels(), bits, {}, 0));
    ASSERT_NE (writer, nullptr);
    stream.release();
    ASSERT_TRUE (writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()));
}

juce::AudioBuffer<float> readAudio (const juce::File& file, double& rate, int& bits)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
    if (reader == nullptr)
        return {};
    rate = reader->sampleRate;
    bits = (int) reader->bitsPerSample;
    juce::AudioBuffer<float> audio ((int) reader->numChannels, (int) reader->lengthInSamples);
    reader->read (&audio, 0, audio.getNumSamples(), 0, true, true);
    return audio;
}

juce::AudioBuffer<float> testSignal (int channels, int samples)
{
    juce::AudioBuffer<float> audio (channels, samples);
    juce::Random random (5);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            audio.setSample (c, i, (float) std::sin (i * 0.05 * (c + 1)) * 0.5f * (i % 4000 < 400 ? 1.0f : 0.2f) + random.nextFloat() * 0.01f);
    return audio;
}

class RenderTool : public ::testing::Test
{
protected:
    juce::TemporaryFile folderHolder;
    juce::File folder;

    void SetUp() override
    {
        folder = folderHolder.getFile();
        ASSERT_TRUE (folder.createDirectory());
        juce::WavAudioFormat wav;
        writeAudio (folder.getChildFile ("in.wav"), wav, testSignal (2, 20000), 44100.0, 16);
    }

    void TearDown() override { folder.deleteRecursively(); }

    juce::String path (const char* name) const { return folder.getChildFile (name).getFullPathName(); }
};
} // namespace

TEST_F (RenderTool, RefusesBadInputWithOneLineAndWritesNothing)
{
    folder.getChildFile ("notes.txt").replaceWithText ("not audio");
    juce::WavAudioFormat wav;
    writeAudio (folder.getChildFile ("three.wav"), wav, testSignal (3, 1000), 48000.0, 24);

    struct Case
    {
        juce::StringArray arguments;
        const char* expected;
    };
    const Case cases[] = {
        { {}, "expected an input and an output file" },
        { { path ("missing.wav"), path ("out.wav") }, "no such file" },
        { { path ("notes.txt"), path ("out.wav") }, "not a WAV or AIFF file" },
        { { path ("three.wav"), path ("out.wav") }, "has 3 channels" },
        { { "--set", "volume=3", path ("in.wav"), path ("out.wav") }, "unknown parameter 'volume'" },
        { { "--set", "attack=13", path ("in.wav"), path ("out.wav") }, "must be from -12 to 12" },
        { { "--set", "mix=-1", path ("in.wav"), path ("out.wav") }, "must be from 0 to 100" },
        { { "--set", "attack=loud", path ("in.wav"), path ("out.wav") }, "must be a number from -12 to 12" },
        { { "--set", "mode=Loud", path ("in.wav"), path ("out.wav") }, "must be one of Tight, Punch, Smooth" },
        { { "--set", "focus=3", path ("in.wav"), path ("out.wav") }, "must be one of Low, Full, High" },
        { { "--set", "attack", path ("in.wav"), path ("out.wav") }, "needs ID=VALUE" },
        { { "--block", "0", path ("in.wav"), path ("out.wav") }, "--block must be a whole number" },
        { { "--frobnicate", path ("in.wav"), path ("out.wav") }, "unknown option" },
        { { path ("in.wav"), path ("in.wav") }, "must not be the input" },
        { { path ("in.wav"), path ("nowhere/out.wav") }, "folder does not exist" },
        { { "--preset", "snare snap", path ("in.wav"), path ("out.wav") }, "unknown factory preset 'snare snap'" },
        { { "--user-preset", "Nobody", path ("in.wav"), path ("out.wav") }, "unknown user preset 'Nobody'" },
    };

    for (const auto& c : cases)
    {
        const auto result = run (c.arguments);
        SCOPED_TRACE (c.arguments.joinIntoString (" "));
        EXPECT_NE (result.exitCode, 0);
        EXPECT_TRUE (result.output.contains (c.expected)) << result.output;
        EXPECT_EQ (juce::StringArray::fromLines (result.output.trim()).size(), 1) << result.output;
        EXPECT_FALSE (folder.getChildFile ("out.wav").exists());
    }

    // The refused in-place render left the input intact, and no temporary file lingers.
    double rate = 0.0;
    int bits = 0;
    EXPECT_EQ (readAudio (folder.getChildFile ("in.wav"), rate, bits).getNumSamples(), 20000);
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles), 3);
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFiles, ".*"), 0);
}

TEST_F (RenderTool, RendersExactlyWhatThePluginComputes)
{
    const auto result = run ({ "--set", "attack=7.5", "--set", "mode=Tight", "--set", "focus=2", "--block", "256", path ("in.wav"), path ("out.wav") });
    ASSERT_EQ (result.exitCode, 0) << result.output;
    EXPECT_TRUE (result.output.contains ("input peak")) << result.output;
    EXPECT_TRUE (result.output.contains ("output peak")) << result.output;

    double rate = 0.0, inRate = 0.0;
    int bits = 0, inBits = 0;
    const auto rendered = readAudio (folder.getChildFile ("out.wav"), rate, bits);
    auto expected = readAudio (folder.getChildFile ("in.wav"), inRate, inBits);
    EXPECT_EQ (rate, 44100.0);
    EXPECT_EQ (bits, 32);
    ASSERT_EQ (rendered.getNumChannels(), 2);
    ASSERT_EQ (rendered.getNumSamples(), 20000);

    KravellAudioProcessor processor;
    setPlain (processor, "attack", 7.5f);
    setPlain (processor, "mode", 0.0f);
    setPlain (processor, "focus", 2.0f);
    processor.prepareToPlay (44100.0, 256);
    juce::MidiBuffer midi;
    for (int start = 0; start < expected.getNumSamples(); start += 256)
    {
        juce::AudioBuffer<float> view (expected.getArrayOfWritePointers(), 2, start, std::min (256, expected.getNumSamples() - start));
        processor.processBlock (view, midi);
    }

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < expected.getNumSamples(); ++i)
            ASSERT_EQ (rendered.getSample (c, i), expected.getSample (c, i)) << c << ", " << i;
}

TEST_F (RenderTool, KeepFormatAndMonoAiffRoundTrip)
{
    juce::AiffAudioFormat aiff;
    const auto mono = testSignal (1, 9000);
    writeAudio (folder.getChildFile ("mono.aiff"), aiff, mono, 96000.0, 24);

    // At mix 0 the plug-in returns its input bit for bit, so the file survives unchanged.
    const auto result = run ({ "--keep-format", "--set", "mix=0", path ("mono.aiff"), path ("mono.wav") });
    ASSERT_EQ (result.exitCode, 0) << result.output;

    double rate = 0.0, inRate = 0.0;
    int bits = 0, inBits = 0;
    const auto rendered = readAudio (folder.getChildFile ("mono.wav"), rate, bits);
    const auto original = readAudio (folder.getChildFile ("mono.aiff"), inRate, inBits);
    EXPECT_EQ (rate, 96000.0);
    EXPECT_EQ (bits, 24);
    ASSERT_EQ (rendered.getNumChannels(), 1);
    ASSERT_EQ (rendered.getNumSamples(), original.getNumSamples());
    // The same 24-bit samples, within the one step the AIFF and WAV codecs may round apart.
    for (int i = 0; i < original.getNumSamples(); ++i)
        ASSERT_NEAR (rendered.getSample (0, i), original.getSample (0, i), 1.0f / 8388608.0f) << i;
}

TEST_F (RenderTool, AppliesFactoryAndUserPresets)
{
    // The tool finds user presets under $HOME, so point it at the temporary folder.
    const auto home = juce::SystemStats::getEnvironmentVariable ("HOME", {});
    setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
    KravellAudioProcessor author;
    setPlain (author, "mix", 0.0f);
    const auto saved = author.saveUserPreset ("Dry");
    const auto userRun = run ({ "--user-preset", "Dry", path ("in.wav"), path ("dry.wav") });
    const auto factoryRun = run ({ "--preset", "Aggro Parallel", path ("in.wav"), path ("aggro.wav") });
    setenv ("HOME", home.toRawUTF8(), 1);

    ASSERT_TRUE (saved);
    EXPECT_TRUE (folder.getChildFile (".config/DornelAudio/Kravell/version_" KRAVELL_VERSION "/Presets/Dry.xml").existsAsFile());
    ASSERT_EQ (userRun.exitCode, 0) << userRun.output;
    ASSERT_EQ (factoryRun.exitCode, 0) << factoryRun.output;

    double rate = 0.0;
    int bits = 0;
    const auto input = readAudio (folder.getChildFile ("in.wav"), rate, bits);
    const auto dry = readAudio (folder.getChildFile ("dry.wav"), rate, bits);
    const auto aggro = readAudio (folder.getChildFile ("aggro.wav"), rate, bits);
    ASSERT_EQ (dry.getNumSamples(), input.getNumSamples());
    ASSERT_EQ (aggro.getNumSamples(), input.getNumSamples());

    float dryDifference = 0.0f, aggroDifference = 0.0f;
    for (int i = 0; i < input.getNumSamples(); ++i)
    {
        dryDifference = std::max (dryDifference, std::abs (dry.getSample (0, i) - input.getSample (0, i)));
        aggroDifference = std::max (aggroDifference, std::abs (aggro.getSample (0, i) - input.getSample (0, i)));
    }
    EXPECT_EQ (dryDifference, 0.0f); // the user preset's mix of 0 was applied
    EXPECT_GT (aggroDifference, 0.01f);
}

TEST_F (RenderTool, MakesTheDemoLoop)
{
    const auto result = run ({ "--make-demo", path ("demo.wav") });
    ASSERT_EQ (result.exitCode, 0) << result.output;
    double rate = 0.0;
    int bits = 0;
    const auto demo = readAudio (folder.getChildFile ("demo.wav"), rate, bits);
    EXPECT_EQ (demo.getNumChannels(), 2);
    EXPECT_EQ (demo.getNumSamples(), 8 * 48000);
    EXPECT_GT (demo.getMagnitude (0, demo.getNumSamples()), 0.5f);
    EXPECT_LE (demo.getMagnitude (0, demo.getNumSamples()), 1.0f);
}
