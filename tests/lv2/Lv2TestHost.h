#pragma once

#include <gtest/gtest.h>
#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "lv2/UridTable.h"

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

/** The freshly built Kravell.lv2, or the one named by KRAVELL_LV2_BUNDLE (e.g. an installed copy). */
inline juce::File builtLv2Bundle()
{
    const auto fromEnvironment = juce::SystemStats::getEnvironmentVariable ("KRAVELL_LV2_BUNDLE", {});
    return juce::File (fromEnvironment.isNotEmpty() ? fromEnvironment : juce::String (KRAVELL_LV2_BUNDLE));
}

inline const char* const kravellLv2Uri = "https://dornel.audio/plugins/kravell";

/** Makes the LV2 tools Debian ships (and lilv in this process) find the bundle under test
    before any installed copy, and LV2's own vocabulary bundles where Debian installs them. */
inline void pointLv2PathAtTheBuiltBundle()
{
    const auto path = builtLv2Bundle().getParentDirectory().getFullPathName() + ":/usr/lib/x86_64-linux-gnu/lv2:/usr/lib/lv2";
    setenv ("LV2_PATH", path.toRawUTF8(), 1);
}

/** Runs a program with arguments; returns its exit code and fills output with what it printed. */
inline int runProgram (const juce::StringArray& command, juce::String& output, int timeoutMs = 120000)
{
    juce::ChildProcess process;
    if (! process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return -1;
    output = process.readAllProcessOutput();
    if (! process.waitForProcessToFinish (timeoutMs))
    {
        process.kill();
        return -2;
    }
    return (int) process.getExitCode();
}

/** One property a plug-in stored through its state interface. */
struct StoredProperty
{
    LV2_URID key = 0, type = 0;
    uint32_t flags = 0;
    std::string value;
};

/** The plug-in in this process through lilv, as full hosts (Ardour, Carla, jalv) load it: the
    URID map and unmap, options with the block length, stereo audio, the event ports connected
    and every control port, and state saved and restored with lilv's own functions. */
class Lv2TestHost
{
public:
    static constexpr int maxBlock = 256;

    explicit Lv2TestHost (double sampleRate = 48000.0)
    {
        pointLv2PathAtTheBuiltBundle();
        world = sharedWorld().world;
        plugin = sharedWorld().plugin;
        if (plugin == nullptr)
            return;

        options[0] = { LV2_OPTIONS_INSTANCE, 0, urids.idFor (LV2_BUF_SIZE__maxBlockLength), sizeof (int32_t), urids.idFor (LV2_ATOM__Int), &blockLength };
        options[1] = { LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr };
        features = { { LV2_URID__map, &urids.map }, { LV2_URID__unmap, &urids.unmap }, { LV2_OPTIONS__options, options }, { LV2_BUF_SIZE__boundedBlockLength, nullptr } };
        for (auto& feature : features)
            featureList.push_back (&feature);
        featureList.push_back (nullptr);

        instance = lilv_plugin_instantiate (plugin, sampleRate, featureList.data());
        if (instance == nullptr)
            return;

        const auto numPorts = lilv_plugin_get_num_ports (plugin);
        controls.assign (numPorts, 0.0f);
        std::vector<float> defaults (numPorts, 0.0f);
        lilv_plugin_get_port_ranges_float (plugin, nullptr, nullptr, defaults.data());

        auto* audioClass = lilv_new_uri (world, LV2_CORE__AudioPort);
        auto* controlClass = lilv_new_uri (world, LV2_CORE__ControlPort);
        auto* atomClass = lilv_new_uri (world, LV2_ATOM__AtomPort);
        auto* inputClass = lilv_new_uri (world, LV2_CORE__InputPort);
        for (uint32_t i = 0; i < numPorts; ++i)
        {
            const auto* port = lilv_plugin_get_port_by_index (plugin, i);
            const auto isInput = lilv_port_is_a (plugin, port, inputClass);
            symbols[lilv_node_as_string (lilv_port_get_symbol (plugin, port))] = i;
            if (lilv_port_is_a (plugin, port, audioClass))
                lilv_instance_connect_port (instance, i, isInput ? inputs[(size_t) inputCount++].data() : outputs[(size_t) outputCount++].data());
            else if (lilv_port_is_a (plugin, port, controlClass))
            {
                controls[i] = std::isnan (defaults[i]) ? 0.0f : defaults[i];
                lilv_instance_connect_port (instance, i, &controls[i]);
            }
            else if (lilv_port_is_a (plugin, port, atomClass))
                lilv_instance_connect_port (instance, i, isInput ? (void*) &eventsIn : (void*) eventsOut.data());
        }
        for (auto* node : { audioClass, controlClass, atomClass, inputClass })
            lilv_node_free (node);

        lilv_instance_activate (instance);
    }

    ~Lv2TestHost()
    {
        if (instance != nullptr)
        {
            lilv_instance_deactivate (instance);
            lilv_instance_free (instance);
        }
    }

    bool isLoaded() const { return instance != nullptr && inputCount == 2 && outputCount == 2; }

    float& control (const std::string& symbol)
    {
        const auto it = symbols.find (symbol);
        if (it == symbols.end())
            throw std::runtime_error ("no port " + symbol);
        return controls[it->second];
    }

    /** Runs one block of a quiet test tone through the plug-in, as the audio thread would. */
    void run (uint32_t frames = 64)
    {
        for (auto& channel : inputs)
            for (uint32_t i = 0; i < frames; ++i)
                channel[i] = 0.25f * std::sin ((float) (phase + i) * 0.05f);
        phase += frames;
        runBlock (frames);
    }

    /** Deactivates and activates the instance again, as a host does around loading a preset
        or a session while stopped: the plug-in starts from the ports' values. */
    void reactivate()
    {
        lilv_instance_deactivate (instance);
        lilv_instance_activate (instance);
    }

    /** Runs stereo audio through the plug-in in blocks of maxBlock frames. */
    juce::AudioBuffer<float> process (const juce::AudioBuffer<float>& input)
    {
        juce::AudioBuffer<float> output (2, input.getNumSamples());
        for (int start = 0; start < input.getNumSamples(); start += maxBlock)
        {
            const auto frames = std::min (maxBlock, input.getNumSamples() - start);
            for (int channel = 0; channel < 2; ++channel)
                std::copy_n (input.getReadPointer (std::min (channel, input.getNumChannels() - 1), start), frames, inputs[(size_t) channel].data());
            runBlock ((uint32_t) frames);
            for (int channel = 0; channel < 2; ++channel)
                output.copyFrom (channel, start, outputs[(size_t) channel].data(), frames);
        }
        return output;
    }

    static LilvWorld* lilvWorld() { return sharedWorld().world; }
    static const LilvPlugin* lilvPlugin() { return sharedWorld().plugin; }

    /** The plug-in's state as a host saves it with its session: port values and properties. */
    LilvState* saveState()
    {
        return lilv_state_new_from_instance (plugin, instance, &urids.map, nullptr, nullptr, nullptr, nullptr, getPortValue, this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, featureList.data());
    }

    /** Restores a saved session state: the plug-in's properties and the host's port values. */
    void restoreState (const LilvState* state)
    {
        lilv_state_restore (state, instance, setPortValue, this, 0, featureList.data());
    }

    /** A saved state as Turtle text, as a host writes it into a session or preset file. */
    std::string toTurtle (const LilvState* state)
    {
        auto* text = lilv_state_to_string (world, &urids.map, &urids.unmap, state, "urn:kravell:test-state", nullptr);
        std::string turtle = text != nullptr ? text : "";
        lilv_free (text);
        return turtle;
    }

    /** The properties the plug-in stores when asked through its state interface. */
    std::vector<StoredProperty> storedProperties()
    {
        std::vector<StoredProperty> stored;
        stateInterface()->save (lilv_instance_get_handle (instance), [] (LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type, uint32_t flags)
                                { static_cast<std::vector<StoredProperty>*> (handle)->push_back ({ key, type, flags, std::string (static_cast<const char*> (value), size) }); return LV2_STATE_SUCCESS; },
                                &stored, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, featureList.data());
        return stored;
    }

    /** Hands the plug-in properties to restore through its state interface. */
    LV2_State_Status restoreProperties (std::vector<StoredProperty> properties)
    {
        return stateInterface()->restore (lilv_instance_get_handle (instance), [] (LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) -> const void*
                                          {
                                              for (const auto& property : *static_cast<std::vector<StoredProperty>*> (handle))
                                                  if (property.key == key)
                                                  {
                                                      *size = property.value.size();
                                                      *type = property.type;
                                                      *flags = property.flags;
                                                      return property.value.data();
                                                  }
                                              return nullptr;
                                          },
                                          &properties, 0, featureList.data());
    }

    /** The port values a saved state holds, by symbol. */
    static std::map<std::string, float> portValues (const LilvState* state)
    {
        std::map<std::string, float> values;
        lilv_state_emit_port_values (state, [] (const char* symbol, void* user, const void* value, uint32_t size, uint32_t)
                                     { if (size == sizeof (float)) (*static_cast<std::map<std::string, float>*> (user))[symbol] = *static_cast<const float*> (value); },
                                     &values);
        return values;
    }

    /** One table for the whole process, as a host has: saved states carry its URIDs. */
    static inline UridTable urids;

private:
    /** One lilv world for the process, as a host has: lilv tells nodes apart by the world
        that made them, so states from two worlds never compare equal. */
    struct World
    {
        World()
        {
            world = lilv_world_new();
            lilv_world_load_all (world);
            auto* uri = lilv_new_uri (world, kravellLv2Uri);
            plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), uri);
            lilv_node_free (uri);
        }

        ~World() { lilv_world_free (world); }

        LilvWorld* world = nullptr;
        const LilvPlugin* plugin = nullptr;
    };

    static World& sharedWorld()
    {
        static World shared;
        return shared;
    }

    /** One run of the instance on what the audio ports hold: an empty event sequence in, room
        for the plug-in's events out, as a host hands them over each block. */
    void runBlock (uint32_t frames)
    {
        eventsIn = { { sizeof (LV2_Atom_Sequence_Body), urids.idFor (LV2_ATOM__Sequence) }, { 0, 0 } };
        auto* out = reinterpret_cast<LV2_Atom_Sequence*> (eventsOut.data());
        out->atom = { (uint32_t) (eventsOut.size() * sizeof (eventsOut[0]) - sizeof (LV2_Atom)), urids.idFor (LV2_ATOM__Chunk) };
        lilv_instance_run (instance, frames);
    }

    const LV2_State_Interface* stateInterface()
    {
        return static_cast<const LV2_State_Interface*> (lilv_instance_get_extension_data (instance, LV2_STATE__interface));
    }

    static const void* getPortValue (const char* symbol, void* user, uint32_t* size, uint32_t* type)
    {
        auto& self = *static_cast<Lv2TestHost*> (user);
        *size = sizeof (float);
        *type = self.urids.idFor (LV2_ATOM__Float);
        return &self.control (symbol);
    }

    static void setPortValue (const char* symbol, void* user, const void* value, uint32_t size, uint32_t type)
    {
        auto& self = *static_cast<Lv2TestHost*> (user);
        if (size == sizeof (float) && type == self.urids.idFor (LV2_ATOM__Float))
            self.control (symbol) = *static_cast<const float*> (value);
    }

    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    int32_t blockLength = maxBlock;
    LV2_Options_Option options[2] {};
    std::vector<LV2_Feature> features;
    std::vector<const LV2_Feature*> featureList;
    std::vector<float> controls;
    std::map<std::string, uint32_t> symbols;
    std::array<std::array<float, maxBlock>, 2> inputs {}, outputs {};
    int inputCount = 0, outputCount = 0;
    LV2_Atom_Sequence eventsIn {};
    std::vector<uint64_t> eventsOut = std::vector<uint64_t> (4096);
    uint32_t phase = 0;
};
