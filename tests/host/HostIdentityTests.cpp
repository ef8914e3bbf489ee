#include "host/HostFixture.h"

#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivstunits.h>

namespace
{
struct HostParameterRow
{
    const char* name;
    const char* defaultText;
};

const HostParameterRow hostParameters[] = {
    { "Power", "On" },
    { "Mode", "Punch" },
    { "Attack", "5.00" },
    { "Sustain", "-2.50" },
    { "Sensitivity", "60.00" },
    { "Focus", "Full" },
    { "Punch", "30.00" },
    { "Clip", "25.00" },
    { "Mix", "100.00" },
    { "Output", "0.00" },
};

using Set = juce::AudioChannelSet;

juce::AudioProcessor::BusesLayout layoutOf (const Set& input, const Set& output)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (input);
    layout.outputBuses.add (output);
    return layout;
}
} // namespace

TEST_F (HostFixture, DescriptionAsTheHostScansIt)
{
    ASSERT_TRUE (bundle().isDirectory()) << bundle().getFullPathName();
    const auto description = describe();
    EXPECT_EQ (description.name, "Kravell");
    EXPECT_EQ (description.manufacturerName, "Dornel Audio");
    EXPECT_EQ (description.version, KRAVELL_VERSION);
    EXPECT_EQ (description.category, "Fx|Dynamics");
    EXPECT_EQ (description.pluginFormatName, "VST3");
    EXPECT_FALSE (description.isInstrument);
}

// JUCE's hosting shows programs only when there are two or more, so ask the module's unit
// interface directly for the one program list the wrapper publishes.
TEST_F (HostFixture, TheSingleProgramHasAName)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);

    struct Visitor final : juce::ExtensionsVisitor
    {
        void visitVST3Client (const VST3Client& client) override { component = client.getIComponentPtr(); }
        Steinberg::Vst::IComponent* component = nullptr;
    } visitor;
    plugin->getExtensions (visitor);
    ASSERT_NE (visitor.component, nullptr);

    Steinberg::Vst::IUnitInfo* units = nullptr;
    ASSERT_EQ (visitor.component->queryInterface (Steinberg::Vst::IUnitInfo::iid, reinterpret_cast<void**> (&units)), Steinberg::kResultOk);
    ASSERT_NE (units, nullptr);

    ASSERT_EQ (units->getProgramListCount(), 1);
    Steinberg::Vst::ProgramListInfo list {};
    ASSERT_EQ (units->getProgramListInfo (0, list), Steinberg::kResultOk);
    EXPECT_EQ (list.programCount, 1);

    Steinberg::Vst::String128 name {};
    ASSERT_EQ (units->getProgramName (list.id, 0, name), Steinberg::kResultOk);
    EXPECT_EQ (juce::String (juce::CharPointer_UTF16 (reinterpret_cast<const juce::CharPointer_UTF16::CharType*> (name))), "Default");
    units->release();
}

TEST_F (HostFixture, HostAnswersAndParameters)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);

    EXPECT_EQ (plugin->getName(), "Kravell");
    EXPECT_NEAR (plugin->getTailLengthSeconds(), 0.08, 1e-9);
    EXPECT_FALSE (plugin->acceptsMidi());
    EXPECT_FALSE (plugin->producesMidi());
    EXPECT_EQ (plugin->getTotalNumInputChannels(), 2);
    EXPECT_EQ (plugin->getTotalNumOutputChannels(), 2);
    EXPECT_TRUE (plugin->hasEditor());

    // The wrapper adds its own bypass parameter after ours; ours come first, in index order.
    const auto& parameters = plugin->getParameters();
    ASSERT_GE (parameters.size(), 10);
    for (int i = 0; i < 10; ++i)
    {
        SCOPED_TRACE (i);
        EXPECT_EQ (parameters[i]->getName (100), hostParameters[i].name);
        EXPECT_EQ (parameters[i]->getCurrentValueAsText(), hostParameters[i].defaultText);
        EXPECT_EQ (parameters[i]->getText (parameters[i]->getDefaultValue(), 100), hostParameters[i].defaultText);
    }
}

TEST_F (HostFixture, BusLayoutsAcceptedAndRefused)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    EXPECT_TRUE (plugin->checkBusesLayoutSupported (layoutOf (Set::stereo(), Set::stereo())));
    EXPECT_TRUE (plugin->checkBusesLayoutSupported (layoutOf (Set::mono(), Set::mono())));
    EXPECT_FALSE (plugin->checkBusesLayoutSupported (layoutOf (Set::mono(), Set::stereo())));
    EXPECT_FALSE (plugin->checkBusesLayoutSupported (layoutOf (Set::create5point1(), Set::create5point1())));
}

TEST_F (HostFixture, LoadsAndUnloadsRepeatedly)
{
    for (int i = 0; i < 5; ++i)
    {
        auto plugin = load (44100.0 + 1000.0 * i, 64 << i);
        ASSERT_NE (plugin, nullptr);
        plugin->prepareToPlay (44100.0 + 1000.0 * i, 64 << i);
        plugin->releaseResources();
    }
}
