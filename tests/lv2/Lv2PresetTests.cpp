// What LV2 hosts show of Kravell beyond its ports: the class hosts file it under, the units of
// its controls, its licence, and the factory presets in the host's own preset list, read as
// hosts read them (lv2info, lilv) from the built bundle.

#include "lv2/Lv2TestHost.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include "processor/PluginProcessor.h"

#include <cstring>

#include <lv2/presets/presets.h>
#include <lv2/units/units.h>

namespace
{
const juce::StringArray factoryNames { "Punchy Kicks", "Snare Snap", "Loop Tightener", "Bass Knock",
                                       "Smooth Rooms", "Aggro Parallel", "Tame Pokey", "Guitar Push" };

/** lilv's nodes, freed with their owner. */
struct Node
{
    explicit Node (LilvNode* n) : node (n) {}
    ~Node() { lilv_node_free (node); }
    Node (const Node&) = delete;
    Node& operator= (const Node&) = delete;
    LilvNode* node;
};

/** The presets lilv finds for the plug-in, by label, as a host's preset menu lists them. */
std::map<juce::String, std::string> presetsByLabel()
{
    pointLv2PathAtTheBuiltBundle();
    auto* world = Lv2TestHost::lilvWorld();
    std::map<juce::String, std::string> found;
    if (Lv2TestHost::lilvPlugin() == nullptr)
        return found;
    Node presetClass (lilv_new_uri (world, LV2_PRESETS__Preset));
    Node label (lilv_new_uri (world, "http://www.w3.org/2000/01/rdf-schema#label"));
    auto* presets = lilv_plugin_get_related (Lv2TestHost::lilvPlugin(), presetClass.node);
    LILV_FOREACH (nodes, i, presets)
    {
        const auto* preset = lilv_nodes_get (presets, i);
        lilv_world_load_resource (world, preset);
        auto* labels = lilv_world_find_nodes (world, preset, label.node, nullptr);
        if (labels != nullptr && lilv_nodes_size (labels) == 1)
            found[juce::String::fromUTF8 (lilv_node_as_string (lilv_nodes_get_first (labels)))] = lilv_node_as_uri (preset);
        lilv_nodes_free (labels);
    }
    lilv_nodes_free (presets);
    return found;
}

juce::AudioBuffer<float> demoLoop()
{
    // The drum loop kravell-render makes, in this process: the same generator, one source.
    const auto folder = juce::File (KRAVELL_TEST_OUTPUT_DIR).getChildFile ("lv2-presets");
    folder.createDirectory();
    const auto file = folder.getChildFile ("demo-loop.wav");
    juce::String output;
    if (runProgram ({ KRAVELL_RENDER_TOOL, "--make-demo", file.getFullPathName() }, output) != 0)
        throw std::runtime_error (("kravell-render --make-demo failed: " + output).toStdString());
    juce::MemoryBlock bytes;
    file.loadFileAsData (bytes);
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (new juce::MemoryInputStream (bytes, false), true));
    if (reader == nullptr)
        throw std::runtime_error ("cannot read the demo loop");
    juce::AudioBuffer<float> audio ((int) reader->numChannels, (int) reader->lengthInSamples);
    reader->read (&audio, 0, audio.getNumSamples(), 0, true, true);
    return audio;
}

/** The processor the plug-in wraps, as the editor's preset menu leaves it, playing the loop in
    the same blocks as the host. */
juce::AudioBuffer<float> renderedAfterChoosingInTheMenu (const juce::String& name, const juce::AudioBuffer<float>& input)
{
    KravellAudioProcessor processor;
    processor.loadFactoryPreset (name);
    processor.prepareToPlay (48000.0, Lv2TestHost::maxBlock);
    juce::AudioBuffer<float> audio (2, input.getNumSamples());
    for (int channel = 0; channel < 2; ++channel)
        audio.copyFrom (channel, 0, input, std::min (channel, input.getNumChannels() - 1), 0, input.getNumSamples());
    juce::MidiBuffer midi;
    for (int start = 0; start < audio.getNumSamples(); start += Lv2TestHost::maxBlock)
    {
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), 2, start, std::min (Lv2TestHost::maxBlock, audio.getNumSamples() - start));
        processor.processBlock (block, midi);
    }
    processor.releaseResources();
    return audio;
}
} // namespace

TEST (Lv2Description, Lv2InfoShowsAnEnvelopePluginWithItsLicence)
{
    pointLv2PathAtTheBuiltBundle();
    juce::String output;
    ASSERT_EQ (runProgram ({ "lv2info", kravellLv2Uri }, output), 0) << output;
    EXPECT_TRUE (output.contains ("Class:") && output.fromFirstOccurrenceOf ("Class:", false, false).upToFirstOccurrenceOf ("\n", false, false).trim() == "Envelope Plugin") << output;
    // Its list of presets (Debian 12's lv2info prints no units: those are checked through lilv below).
    const auto presetLines = juce::StringArray::fromLines (output.fromFirstOccurrenceOf ("Presets:", false, false).upToFirstOccurrenceOf ("Port 0:", false, false).trim());
    auto listed = presetLines;
    listed.trim();
    listed.sort (false);
    auto expected = factoryNames;
    expected.sort (false);
    EXPECT_EQ (listed, expected) << output;

    auto* world = Lv2TestHost::lilvWorld();
    Node licence (lilv_new_uri (world, "http://usefulinc.com/ns/doap#license"));
    Node description (lilv_new_uri (world, "http://usefulinc.com/ns/doap#description"));
    auto* licences = lilv_plugin_get_value (Lv2TestHost::lilvPlugin(), licence.node);
    ASSERT_NE (licences, nullptr);
    EXPECT_STREQ (lilv_node_as_uri (lilv_nodes_get_first (licences)), "http://spdx.org/licenses/AGPL-3.0-or-later");
    lilv_nodes_free (licences);
    auto* descriptions = lilv_plugin_get_value (Lv2TestHost::lilvPlugin(), description.node);
    ASSERT_NE (descriptions, nullptr);
    const juce::String text (lilv_node_as_string (lilv_nodes_get_first (descriptions)));
    lilv_nodes_free (descriptions);
    EXPECT_TRUE (text.isNotEmpty() && text != "Kravell" && ! text.containsChar ('\n')) << text;
}

TEST (Lv2Description, EveryContinuousControlHasItsUnit)
{
    pointLv2PathAtTheBuiltBundle();
    ASSERT_NE (Lv2TestHost::lilvPlugin(), nullptr);
    const std::map<std::string, const char*> expected {
        { "attack", LV2_UNITS__db }, { "sustain", LV2_UNITS__db }, { "output", LV2_UNITS__db },
        { "sensitivity", LV2_UNITS__pc }, { "punch", LV2_UNITS__pc }, { "clip", LV2_UNITS__pc }, { "mix", LV2_UNITS__pc },
        { "power", nullptr }, { "mode", nullptr }, { "focus", nullptr }
    };
    auto* world = Lv2TestHost::lilvWorld();
    const auto* plugin = Lv2TestHost::lilvPlugin();
    ASSERT_NE (plugin, nullptr);
    Node unitPredicate (lilv_new_uri (world, LV2_UNITS__unit));
    for (const auto& [symbol, unit] : expected)
    {
        Node symbolNode (lilv_new_string (world, symbol.c_str()));
        const auto* port = lilv_plugin_get_port_by_symbol (plugin, symbolNode.node);
        ASSERT_NE (port, nullptr) << symbol;
        auto* units = lilv_port_get_value (plugin, port, unitPredicate.node);
        if (unit == nullptr)
            EXPECT_EQ (lilv_nodes_size (units), 0u) << symbol << " is a choice or a switch, with no unit";
        else
        {
            ASSERT_EQ (lilv_nodes_size (units), 1u) << symbol;
            EXPECT_STREQ (lilv_node_as_uri (lilv_nodes_get_first (units)), unit) << symbol;
        }
        lilv_nodes_free (units);
    }
}

TEST (Lv2Presets, TheHostListsTheEightFactoryPresetsByName)
{
    pointLv2PathAtTheBuiltBundle();
    ASSERT_NE (Lv2TestHost::lilvPlugin(), nullptr);
    juce::StringArray labels;
    for (const auto& [label, uri] : presetsByLabel())
        labels.add (label);
    auto expected = factoryNames;
    expected.sort (false);
    EXPECT_EQ (labels, expected) << "exactly the factory presets, and no empty program preset";
}

TEST (Lv2Presets, EachRestoredThroughLilvPlaysAsChoosingItInTheMenu)
{
    const auto presets = presetsByLabel();
    const auto loop = demoLoop();
    for (const auto& name : factoryNames)
    {
        SCOPED_TRACE (name);
        const auto preset = presets.find (name);
        ASSERT_NE (preset, presets.end());

        Lv2TestHost host;
        ASSERT_TRUE (host.isLoaded());
        Node uri (lilv_new_uri (Lv2TestHost::lilvWorld(), preset->second.c_str()));
        auto* state = lilv_state_new_from_world (Lv2TestHost::lilvWorld(), &Lv2TestHost::urids.map, uri.node);
        ASSERT_NE (state, nullptr);
        EXPECT_EQ (Lv2TestHost::portValues (state).size(), 10u) << "every control port's value";
        host.restoreState (state);
        lilv_state_free (state);
        host.reactivate();

        // The plug-in's state now names the preset, as the editor's caption shows it.
        const auto stored = host.storedProperties();
        ASSERT_EQ (stored.size(), 1u);
        juce::MemoryBlock block;
        ASSERT_TRUE (block.fromBase64Encoding (juce::String::fromUTF8 (stored[0].value.c_str())));
        KravellAudioProcessor recalled;
        recalled.setStateInformation (block.getData(), (int) block.getSize());
        EXPECT_EQ (recalled.getPresetDisplayName(), name);

        const auto viaLv2 = host.process (loop);
        const auto viaMenu = renderedAfterChoosingInTheMenu (name, loop);
        int differing = 0;
        float largestFromDry = 0.0f;
        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < loop.getNumSamples(); ++i)
            {
                const auto a = viaLv2.getSample (channel, i), b = viaMenu.getSample (channel, i);
                differing += std::memcmp (&a, &b, sizeof (float)) != 0 ? 1 : 0; // bit for bit
                largestFromDry = std::max (largestFromDry, std::abs (viaLv2.getSample (channel, i) - loop.getSample (std::min (channel, loop.getNumChannels() - 1), i)));
            }
        EXPECT_EQ (differing, 0) << "samples that differ from the menu's render, of " << 2 * loop.getNumSamples();
        EXPECT_GT (largestFromDry, 0.01f) << "the preset must audibly change the loop, or the comparison proves nothing";
    }
}
