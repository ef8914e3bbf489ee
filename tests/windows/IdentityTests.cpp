// What a Windows host learns from the installed bundle before it processes anything: the
// factory and class descriptions, the manifest beside the module, the parameters and the
// bus layouts.

#include "VstHost.h"

#include "public.sdk/source/vst/moduleinfo/moduleinfoparser.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace host;

namespace
{
VST3::Hosting::ClassInfo effectClass()
{
    for (const auto& info : Plugin::module().getFactory().classInfos())
        if (info.category() == kVstAudioEffectClass)
            return info;
    throw std::runtime_error ("the factory has no audio effect class");
}
} // namespace

TEST (Identity, FactoryAndClassDescribeKravell)
{
    const auto factoryInfo = Plugin::module().getFactory().info();
    EXPECT_EQ (factoryInfo.vendor(), "Dornel Audio");

    const auto info = effectClass();
    EXPECT_EQ (info.name(), "Kravell");
    EXPECT_EQ (info.vendor(), "Dornel Audio");
    EXPECT_EQ (info.version(), KRAVELL_VERSION);
    EXPECT_EQ (info.subCategoriesString(), "Fx|Dynamics");

    // One effect and its controller; nothing else is offered.
    int effects = 0, controllers = 0;
    for (const auto& each : Plugin::module().getFactory().classInfos())
    {
        effects += each.category() == kVstAudioEffectClass ? 1 : 0;
        controllers += each.category() == kVstComponentControllerClass ? 1 : 0;
    }
    EXPECT_EQ (effects, 1);
    EXPECT_EQ (controllers, 1);
}

// The manifest is what hosts read without loading the module: it must say what the module says.
TEST (Identity, ManifestAgreesWithTheModule)
{
    const auto manifestPath = VST3::Hosting::Module::getModuleInfoPath (bundlePath());
    ASSERT_TRUE (manifestPath) << "no Contents/Resources/moduleinfo.json in " << bundlePath();

    std::ifstream file (*manifestPath);
    const std::string json ((std::istreambuf_iterator<char> (file)), std::istreambuf_iterator<char>());
    std::ostringstream errors;
    const auto manifest = ModuleInfoLib::parseJson (json, &errors);
    ASSERT_TRUE (manifest) << errors.str();

    EXPECT_EQ (manifest->name, "Kravell");
    EXPECT_EQ (manifest->version, KRAVELL_VERSION);
    EXPECT_EQ (manifest->factoryInfo.vendor, "Dornel Audio");

    const auto info = effectClass();
    const auto listed = std::find_if (manifest->classes.begin(), manifest->classes.end(), [&] (const auto& c)
                                      { return c.cid == info.ID().toString(); });
    ASSERT_NE (listed, manifest->classes.end()) << "the effect class is missing from the manifest";
    EXPECT_EQ (listed->name, info.name());
    EXPECT_EQ (listed->category, info.category());
    EXPECT_EQ (listed->version, info.version());
    EXPECT_EQ (listed->subCategories, info.subCategories());
}

namespace
{
struct ParameterRow
{
    const char* title;
    const char* defaultText;
    int32 stepCount;
};

// The ten parameters in host order, as the Linux host tests see them, then the bypass.
const ParameterRow parameterRows[] = {
    { "Power", "On", 1 },
    { "Mode", "Punch", 2 },
    { "Attack", "5.00", 0 },
    { "Sustain", "-2.50", 0 },
    { "Sensitivity", "60.00", 0 },
    { "Focus", "Full", 2 },
    { "Punch", "30.00", 0 },
    { "Clip", "25.00", 0 },
    { "Mix", "100.00", 0 },
    { "Output", "0.00", 0 },
};
} // namespace

TEST (Identity, TenParametersThenBypass)
{
    Plugin plugin;
    auto& controller = plugin.controller();
    ASSERT_EQ (controller.getParameterCount(), 11);

    for (int32 i = 0; i < 10; ++i)
    {
        const auto& row = parameterRows[i];
        SCOPED_TRACE (row.title);
        ParameterInfo info {};
        ASSERT_EQ (controller.getParameterInfo (i, info), kResultOk);
        EXPECT_EQ (toUtf8 (info.title), row.title);
        EXPECT_EQ (info.stepCount, row.stepCount);
        EXPECT_TRUE ((info.flags & ParameterInfo::kCanAutomate) != 0);
        EXPECT_FALSE ((info.flags & ParameterInfo::kIsBypass) != 0);
        EXPECT_EQ (plugin.textOf (info.id, info.defaultNormalizedValue), row.defaultText);
        EXPECT_EQ (plugin.textOf (info.id, controller.getParamNormalized (info.id)), row.defaultText);
    }

    ParameterInfo bypass {};
    ASSERT_EQ (controller.getParameterInfo (10, bypass), kResultOk);
    EXPECT_TRUE ((bypass.flags & ParameterInfo::kIsBypass) != 0);
    EXPECT_EQ (controller.getParamNormalized (bypass.id), 0.0);
}

TEST (Identity, NoLatencyAndTheTailAt48k)
{
    Plugin plugin;
    plugin.prepare (SpeakerArr::kStereo, 48000.0, 512);
    EXPECT_EQ (plugin.processor().getLatencySamples(), 0u);
    EXPECT_EQ (plugin.processor().getTailSamples(), 3840u); // 80 ms
}

namespace
{
struct LayoutRow
{
    const char* name;
    SpeakerArrangement input, output;
    bool accepted;
};

const LayoutRow layoutRows[] = {
    { "mono", SpeakerArr::kMono, SpeakerArr::kMono, true },
    { "stereo", SpeakerArr::kStereo, SpeakerArr::kStereo, true },
    { "mono in, stereo out", SpeakerArr::kMono, SpeakerArr::kStereo, false },
    { "stereo in, mono out", SpeakerArr::kStereo, SpeakerArr::kMono, false },
    { "5.1", SpeakerArr::k51, SpeakerArr::k51, false },
};

class Layouts : public ::testing::TestWithParam<LayoutRow>
{
};
} // namespace

TEST_P (Layouts, AcceptedOrRefused)
{
    const auto& row = GetParam();
    Plugin plugin;
    auto input = row.input, output = row.output;
    const auto result = plugin.processor().setBusArrangements (&input, 1, &output, 1);
    EXPECT_EQ (result == kResultTrue, row.accepted);

    if (row.accepted)
    {
        // The layout holds, and a block runs through it.
        SpeakerArrangement actual = 0;
        ASSERT_EQ (plugin.processor().getBusArrangement (kOutput, 0, actual), kResultOk);
        EXPECT_EQ (actual, row.output);

        plugin.prepare (row.output, 48000.0, 256);
        Audio audio ((size_t) SpeakerArr::getChannelCount (row.output), std::vector<float> (256, 0.25f));
        EXPECT_EQ (plugin.process (audio, 0, 256), kResultOk);
        for (const auto& channel : audio)
            for (auto sample : channel)
                ASSERT_TRUE (std::isfinite (sample));
    }
}

INSTANTIATE_TEST_SUITE_P (Identity, Layouts, ::testing::ValuesIn (layoutRows), [] (const auto& info)
                          {
    std::string name = info.param.name;
    for (auto& c : name)
        if (! std::isalnum ((unsigned char) c))
            c = '_';
    return name; });
