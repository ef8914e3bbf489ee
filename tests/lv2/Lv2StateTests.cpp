// The LV2's state through lilv, as full hosts save and restore it with a session. The
// processor the plug-in wraps is used here only to write the states a session would hold and
// to read back what the plug-in saved.

#include "lv2/Lv2TestHost.h"
#include "processor/PluginProcessor.h"

namespace
{
struct StateCase
{
    const char* name;
    const char* presetName;
    bool isUser, modified;
    std::vector<std::pair<const char*, float>> values; // parameter ID, plain value
};

void PrintTo (const StateCase& stateCase, std::ostream* os) { *os << stateCase.name; }

void setPlainValue (KravellAudioProcessor& processor, const char* id, float value)
{
    auto* parameter = processor.parameterState.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

float plainValue (KravellAudioProcessor& processor, const char* id)
{
    return processor.parameterState.getParameterRange (id).convertFrom0to1 (processor.parameterState.getParameter (id)->getValue());
}

/** The processor's saved state for a case, as the framework's text encoding the wrapper stores. */
juce::String stateTextFor (const StateCase& stateCase)
{
    KravellAudioProcessor processor;
    for (const auto& [id, value] : stateCase.values)
        setPlainValue (processor, id, value);
    processor.setCurrentPresetInfo (juce::String::fromUTF8 (stateCase.presetName), stateCase.isUser, stateCase.modified);
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block.toBase64Encoding();
}

/** Reads a stored state text back into a fresh processor. */
std::unique_ptr<KravellAudioProcessor> processorFrom (const std::string& text)
{
    juce::MemoryBlock block;
    EXPECT_TRUE (block.fromBase64Encoding (juce::String::fromUTF8 (text.c_str())));
    auto processor = std::make_unique<KravellAudioProcessor>();
    processor->setStateInformation (block.getData(), (int) block.getSize());
    return processor;
}

/** The single property the plug-in stores: its whole state as text. */
StoredProperty onlyProperty (Lv2TestHost& host)
{
    const auto stored = host.storedProperties();
    EXPECT_EQ (stored.size(), 1u);
    EXPECT_EQ (juce::String (host.urids.uriFor (stored.at (0).type)), LV2_ATOM__String);
    return stored.at (0);
}

/** Puts a case's state into a running plug-in, as a host opening a session does: the stored
    property through the state interface, and the control ports at the same values. */
void openSession (Lv2TestHost& host, const StateCase& stateCase)
{
    auto property = onlyProperty (host);
    property.value = stateTextFor (stateCase).toStdString();
    property.value.push_back ('\0');
    ASSERT_EQ (host.restoreProperties ({ property }), LV2_STATE_SUCCESS);
    for (const auto& [id, value] : stateCase.values)
        host.control (id) = value;
    host.run();
}

class Lv2StateRoundTrip : public ::testing::TestWithParam<StateCase>
{
protected:
    void SetUp() override { pointLv2PathAtTheBuiltBundle(); }
};

const std::vector<std::pair<const char*, float>> editedValues { { "power", 0.0f }, { "mode", 2.0f }, { "attack", -7.25f }, { "sustain", 11.5f }, { "sensitivity", 12.0f }, { "focus", 0.0f }, { "punch", 99.0f }, { "clip", 3.5f }, { "mix", 42.0f }, { "output", -11.75f } };
} // namespace

TEST_P (Lv2StateRoundTrip, SessionSavedAndReopenedRecallsEverySettingThePresetNameAndTheEditedMark)
{
    const auto& stateCase = GetParam();
    Lv2TestHost first;
    ASSERT_TRUE (first.isLoaded());
    openSession (first, stateCase);
    const auto saved = std::unique_ptr<LilvState, decltype (&lilv_state_free)> (first.saveState(), lilv_state_free);
    ASSERT_NE (saved, nullptr);

    Lv2TestHost second;
    ASSERT_TRUE (second.isLoaded());
    second.restoreState (saved.get());
    second.run();
    second.run();
    const auto savedAgain = std::unique_ptr<LilvState, decltype (&lilv_state_free)> (second.saveState(), lilv_state_free);

    // The whole saved state, ports and property, is what the session held, byte for byte.
    EXPECT_TRUE (lilv_state_equals (saved.get(), savedAgain.get())) << first.toTurtle (saved.get()) << "\n" << second.toTurtle (savedAgain.get());
    const auto text = onlyProperty (second).value;
    EXPECT_EQ (juce::String::fromUTF8 (text.c_str()), stateTextFor (stateCase));

    // ...and means what it meant: the same settings, preset name, kind and edited mark.
    const auto recalled = processorFrom (text);
    EXPECT_EQ (recalled->getCurrentPresetName(), juce::String::fromUTF8 (stateCase.presetName));
    EXPECT_EQ (recalled->isCurrentPresetUser(), stateCase.isUser);
    EXPECT_EQ (recalled->isCurrentPresetModified(), stateCase.modified);
    const auto ports = Lv2TestHost::portValues (savedAgain.get());
    for (const auto& [id, value] : stateCase.values)
    {
        EXPECT_FLOAT_EQ (plainValue (*recalled, id), value) << id;
        ASSERT_EQ (ports.count (id), 1u) << id;
        EXPECT_FLOAT_EQ (ports.at (id), value) << "the host's port for " << id << " follows the state";
    }
}

INSTANTIATE_TEST_SUITE_P (Sessions, Lv2StateRoundTrip,
                          ::testing::Values (StateCase { "factory_preset_as_loaded", "Snare Snap", false, false, { { "attack", 9.0f }, { "sustain", -4.0f }, { "mode", 0.0f }, { "focus", 2.0f } } },
                                             StateCase { "factory_preset_edited", "Snare Snap", false, true, { { "attack", 7.5f }, { "mix", 63.0f } } },
                                             StateCase { "user_preset_as_saved", "My Kick \"bright\" / ü", true, false, editedValues },
                                             StateCase { "no_preset_edited", "Presets", false, true, editedValues }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (Lv2State, HostMovingAControlMarksThePresetEditedAndKeepsItsName)
{
    pointLv2PathAtTheBuiltBundle();
    Lv2TestHost host;
    ASSERT_TRUE (host.isLoaded());
    const StateCase loaded { "loaded", "Snare Snap", false, false, { { "attack", 9.0f }, { "mode", 0.0f } } };
    openSession (host, loaded);
    EXPECT_FALSE (processorFrom (onlyProperty (host).value)->isCurrentPresetModified()) << "writing back the values it holds is no edit";

    host.control ("attack") = -3.0f;
    host.run();
    const auto recalled = processorFrom (onlyProperty (host).value);
    EXPECT_TRUE (recalled->isCurrentPresetModified());
    EXPECT_EQ (recalled->getCurrentPresetName(), "Snare Snap");
    EXPECT_FLOAT_EQ (plainValue (*recalled, "attack"), -3.0f);
    EXPECT_FLOAT_EQ (plainValue (*recalled, "mode"), 0.0f);
}

TEST (Lv2State, ReportsZeroLatency)
{
    pointLv2PathAtTheBuiltBundle();
    Lv2TestHost host;
    ASSERT_TRUE (host.isLoaded());
    host.control ("latency") = -1.0f;
    host.run();
    EXPECT_EQ (host.control ("latency"), 0.0f);
}
