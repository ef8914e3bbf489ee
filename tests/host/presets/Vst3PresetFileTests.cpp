// The factory presets as VST3 preset files, as a host's preset browser uses them: each file
// read with the SDK's preset-file reader and restored into the built bundle through the bare
// VST3 interfaces. The expected values are the factory table's, typed here independently.

#include "host/BuiltBundle.h"
#include "host/damaged/RawHost.h"

#include <gtest/gtest.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <public.sdk/source/common/memorystream.h>
#include <public.sdk/source/vst/vstpresetfile.h>

#include <cstring>

namespace
{
using namespace Steinberg;

/** The VST3 preset files made at build time, or those in KRAVELL_VST3_PRESETS (e.g. installed). */
juce::File presetFolder()
{
    const auto fromEnvironment = juce::SystemStats::getEnvironmentVariable ("KRAVELL_VST3_PRESETS", {});
    return juce::File (fromEnvironment.isNotEmpty() ? fromEnvironment : juce::String (KRAVELL_VST3_PRESETS_DIR));
}

struct FactoryRow
{
    const char* name;
    int mode;
    double attack, sustain, sensitivity;
    int focus;
    double punch, clip, mix, output;
};

void PrintTo (const FactoryRow& row, std::ostream* os) { *os << row.name; }

const FactoryRow factoryRows[] = {
    { "Punchy Kicks", 1, 7.5, -1.5, 72, 0, 48, 26, 100, 0.5 },
    { "Snare Snap", 1, 8.5, -3.0, 70, 2, 38, 18, 100, 0 },
    { "Loop Tightener", 0, 4.5, -4.5, 62, 1, 20, 10, 92, 0 },
    { "Bass Knock", 0, 5.5, 1.0, 68, 0, 30, 12, 100, 0.8 },
    { "Smooth Rooms", 2, 1.5, 3.5, 42, 1, 10, 6, 88, 0 },
    { "Aggro Parallel", 1, 10.0, -6.0, 82, 1, 56, 34, 42, 0 },
    { "Tame Pokey", 2, -4.5, 1.5, 58, 2, 8, 0, 100, 0 },
    { "Guitar Push", 0, 3.0, 2.5, 55, 2, 24, 14, 100, 0.5 },
};

class Vst3PresetFile : public ::testing::TestWithParam<FactoryRow>
{
};
} // namespace

TEST (Vst3PresetFiles, OneFileForEachFactoryPresetAndNoOther)
{
    juce::StringArray files;
    for (const auto& entry : juce::RangedDirectoryIterator (presetFolder(), false, "*", juce::File::findFiles))
        files.add (entry.getFile().getFileName());
    files.sort (false);
    juce::StringArray expected;
    for (const auto& row : factoryRows)
        expected.add (juce::String (row.name) + ".vstpreset");
    expected.sort (false);
    EXPECT_EQ (files, expected) << presetFolder().getFullPathName();
}

TEST_P (Vst3PresetFile, RestoredThroughTheSdkReaderGivesThePresetsValuesAndName)
{
    const auto& row = GetParam();
    juce::MemoryBlock bytes;
    ASSERT_TRUE (presetFolder().getChildFile (juce::String (row.name) + ".vstpreset").loadFileAsData (bytes));

    rawhost::Module module (builtBundle());
    rawhost::Instance instance (module);
    const auto classId = FUID::fromTUID (module.effectClassId());
    ASSERT_TRUE (classId.isValid());

    // The file names the plug-in's class; the reader refuses a preset of another class.
    IPtr<MemoryStream> stream = owned (new MemoryStream (bytes.getData(), (TSize) bytes.getSize()));
    Vst::PresetFile file (stream);
    ASSERT_TRUE (file.readChunkList());
    EXPECT_EQ (file.getClassID(), classId);
    EXPECT_TRUE (file.contains (Vst::kComponentState));
    EXPECT_TRUE (file.contains (Vst::kMetaInfo));
    int32 metaSize = 0;
    ASSERT_TRUE (file.readMetaInfo (nullptr, metaSize));
    std::string meta ((size_t) metaSize, '\0');
    ASSERT_TRUE (file.readMetaInfo (meta.data(), metaSize));
    EXPECT_NE (meta.find (std::string ("id=\"Name\" value=\"") + row.name + "\""), std::string::npos) << meta;

    // Restored as a host's browser restores it: component and controller.
    stream->seek (0, IBStream::kIBSeekSet, nullptr);
    ASSERT_TRUE (Vst::PresetFile::loadPreset (stream, classId, instance.component, instance.controller));

    const std::pair<double, double> ranges[] = { { 0, 1 }, { 0, 2 }, { -12, 12 }, { -12, 12 }, { 0, 100 }, { 0, 2 }, { 0, 100 }, { 0, 100 }, { 0, 100 }, { -12, 12 } };
    const double expected[] = { 1, (double) row.mode, row.attack, row.sustain, row.sensitivity, (double) row.focus, row.punch, row.clip, row.mix, row.output };
    const char* titles[] = { "Power", "Mode", "Attack", "Sustain", "Sensitivity", "Focus", "Punch", "Clip", "Mix", "Output" };
    for (int i = 0; i < 10; ++i)
    {
        Vst::ParameterInfo info {};
        ASSERT_EQ (instance.controller->getParameterInfo (i, info), kResultOk);
        EXPECT_EQ (juce::String (juce::CharPointer_UTF16 (reinterpret_cast<const juce::CharPointer_UTF16::CharType*> (info.title))), titles[i]);
        const auto plain = ranges[i].first + instance.normalisedValue (i) * (ranges[i].second - ranges[i].first);
        EXPECT_NEAR (plain, expected[i], 1.0e-4) << titles[i];
    }

    // The component now holds the preset as the menu leaves it: its name, not edited.
    const auto state = instance.getState();
    const auto xml = juce::AudioProcessor::getXmlFromBinary (state.getData(), (int) state.getSize());
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getStringAttribute ("uiCurrentPresetName"), row.name);
    EXPECT_FALSE (xml->getBoolAttribute ("uiCurrentPresetIsUser"));
    EXPECT_FALSE (xml->getBoolAttribute ("uiCurrentPresetModified"));
}

INSTANTIATE_TEST_SUITE_P (Factory, Vst3PresetFile, ::testing::ValuesIn (factoryRows), [] (const auto& testInfo)
                          { return juce::String (testInfo.param.name).removeCharacters (" ").toStdString(); });
