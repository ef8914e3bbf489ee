// kravell-host-files: what hosts show of Kravell beyond the plug-in itself, generated at build
// time from the code the plug-in runs.
//
//   --lv2 BUNDLE    completes the LV2 description the framework wrote into BUNDLE (its class,
//                   licence and the units of the control ports) and adds the factory presets
//                   as LV2 presets (presets.ttl, listed in manifest.ttl)
//   --states DIR    writes the processor's state for each factory preset, as the plug-in saves
//                   it, into DIR/<name>.state, and their menu order into DIR/order.txt (the
//                   VST3 preset files are made from these by kravell-vst3-presets)

#include <iostream>

#include "presets/FactoryPresets.h"
#include "processor/ParameterLayout.h"
#include "processor/PluginProcessor.h"

namespace
{
const juce::String pluginUri = "https://dornel.audio/plugins/kravell";
// The framework's LV2 wrapper keeps the whole state under this key, as its text encoding.
const juce::String stateKey = pluginUri + ":StateString";
// A dynamics processor driven by an envelope follower, as the VST3's "Fx|Dynamics".
const juce::String pluginClass = "lv2:EnvelopePlugin";
const juce::String licence = "<http://spdx.org/licenses/AGPL-3.0-or-later>";
// The framework's description repeats the product name.
const juce::String description = "Transient shaper: makes drums punch harder or sit further back";

struct Failure
{
    juce::String message;
};

/** The processor as the editor's menu leaves it after choosing a factory preset. */
std::unique_ptr<KravellAudioProcessor> processorWithFactoryPreset (const juce::String& name)
{
    auto processor = std::make_unique<KravellAudioProcessor>();
    processor->loadFactoryPreset (name);
    return processor;
}

juce::String presetUri (const juce::String& name)
{
    return pluginUri + "/presets/" + name.toLowerCase().replaceCharacter (' ', '-').retainCharacters ("abcdefghijklmnopqrstuvwxyz0123456789-");
}

/** A float as text that reads back as the same float: a host hands the port exactly the value
    the processor holds after choosing the preset. */
juce::String exactText (float value)
{
    return juce::String::formatted ("%.9g", (double) value);
}

juce::String turtleString (const juce::String& text)
{
    return "\"" + text.replace ("\\", "\\\\").replace ("\"", "\\\"") + "\"";
}

juce::String readFile (const juce::File& file)
{
    if (! file.existsAsFile())
        throw Failure { "no " + file.getFullPathName() + " (build the LV2 first)" };
    return file.loadFileAsString();
}

void writeFile (const juce::File& file, const juce::String& text)
{
    if (! file.replaceWithText (text, false, false, "\n"))
        throw Failure { "cannot write " + file.getFullPathName() };
}

/** The framework describes any effect as a plain lv2:Plugin with no licence and no units: the
    plug-in's block gets its class and licence, each control port its unit. Running it again
    changes nothing. */
juce::String completeDescription (juce::String dsp)
{
    const auto pluginBlock = "<" + pluginUri + ">\n";
    const auto start = dsp.indexOf (pluginBlock);
    const auto classLine = dsp.indexOf (start, "\ta lv2:Plugin ;\n");
    if (start < 0)
        throw Failure { "dsp.ttl does not describe " + pluginUri };
    if (classLine >= 0)
        dsp = dsp.replaceSection (classLine, (int) strlen ("\ta lv2:Plugin ;\n"),
                                  "\ta " + pluginClass + " ;\n\tdoap:license " + licence + " ;\n");
    else if (! dsp.contains ("\ta " + pluginClass + " ;\n"))
        throw Failure { "dsp.ttl names no plug-in class to replace" };

    const auto descriptionLine = dsp.indexOf (start, "\tdoap:description ");
    if (descriptionLine < 0)
        throw Failure { "dsp.ttl has no description" };
    const auto descriptionEnd = dsp.indexOf (descriptionLine, "\n") + 1;
    dsp = dsp.replaceSection (descriptionLine, descriptionEnd - descriptionLine, "\tdoap:description " + turtleString (description) + " ;\n");

    for (const auto* id : ParameterIds::all)
    {
        const auto unit = parameterUnit (id);
        if (unit == ParameterUnit::none)
            continue;
        const auto symbolLine = juce::String ("\t\tlv2:symbol \"") + id + "\" ;\n";
        const auto at = dsp.indexOf (symbolLine);
        if (at < 0)
            throw Failure { juce::String ("dsp.ttl has no control port ") + id };
        const auto unitLine = juce::String ("\t\tunits:unit ") + (unit == ParameterUnit::decibels ? "units:db" : "units:pc") + " ;\n";
        const auto after = at + symbolLine.length();
        if (dsp.substring (after).startsWith ("\t\tunits:unit "))
            continue;
        dsp = dsp.substring (0, after) + unitLine + dsp.substring (after);
    }
    return dsp;
}

/** One factory preset as an LV2 preset: every control port's value and the plug-in's state,
    which carries the preset's name for the editor. */
juce::String presetDescription (const juce::String& name)
{
    auto processor = processorWithFactoryPreset (name);
    juce::String ports;
    for (const auto* id : ParameterIds::all)
    {
        auto* parameter = processor->parameterState.getParameter (id);
        const auto plain = parameter->convertFrom0to1 (parameter->getValue());
        ports << (ports.isEmpty() ? "" : " , ") << "[\n\t\tlv2:symbol \"" << id << "\" ;\n\t\tpset:value "
              << exactText (plain) << "\n\t]";
    }
    juce::MemoryBlock state;
    processor->getStateInformation (state);

    return "<" + presetUri (name) + ">\n"
         + "\ta pset:Preset ;\n"
         + "\tlv2:appliesTo <" + pluginUri + "> ;\n"
         + "\trdfs:label " + turtleString (name) + " ;\n"
         + "\tlv2:port " + ports + " ;\n"
         + "\tstate:state [\n\t\t<" + stateKey + "> " + turtleString (state.toBase64Encoding()) + "\n\t] .\n";
}

/** The framework lists one preset per program; Kravell's single program is no preset (choosing
    it changed nothing), so the manifest lists the factory presets instead. */
juce::String manifestWithPresets (juce::String manifest)
{
    const auto firstPreset = manifest.indexOf ("\ta pset:Preset ;");
    if (firstPreset >= 0)
        manifest = manifest.substring (0, manifest.substring (0, firstPreset).lastIndexOf ("\n<") + 1);
    manifest = manifest.trimEnd() + "\n";

    for (const auto& preset : getFactoryPresets())
        manifest << "\n<" << presetUri (preset.name) << ">\n"
                 << "\ta pset:Preset ;\n"
                 << "\tlv2:appliesTo <" << pluginUri << "> ;\n"
                 << "\trdfs:label " << turtleString (preset.name) << " ;\n"
                 << "\trdfs:seeAlso <presets.ttl> .\n";
    return manifest;
}

void writeLv2 (const juce::File& bundle)
{
    const auto dsp = bundle.getChildFile ("dsp.ttl");
    writeFile (dsp, completeDescription (readFile (dsp)));

    juce::String presets = "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
                           "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
                           "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
                           "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n";
    for (const auto& preset : getFactoryPresets())
        presets << "\n" << presetDescription (preset.name);
    writeFile (bundle.getChildFile ("presets.ttl"), presets);

    const auto manifest = bundle.getChildFile ("manifest.ttl");
    writeFile (manifest, manifestWithPresets (readFile (manifest)));
}

void writeStates (const juce::File& folder)
{
    folder.deleteRecursively();
    if (! folder.createDirectory())
        throw Failure { "cannot make " + folder.getFullPathName() };
    juce::StringArray order;
    for (const auto& preset : getFactoryPresets())
    {
        juce::MemoryBlock state;
        processorWithFactoryPreset (preset.name)->getStateInformation (state);
        if (! folder.getChildFile (juce::String (preset.name) + ".state").replaceWithData (state.getData(), state.getSize()))
            throw Failure { "cannot write the state of " + juce::String (preset.name) };
        order.add (preset.name);
    }
    writeFile (folder.getChildFile ("order.txt"), order.joinIntoString ("\n") + "\n");
}
} // namespace

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI framework;
    if (argc != 3 || (juce::String (argv[1]) != "--lv2" && juce::String (argv[1]) != "--states"))
    {
        std::cerr << "usage: kravell-host-files --lv2 BUNDLE | --states DIR\n";
        return 2;
    }
    try
    {
        const auto target = juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]);
        if (juce::String (argv[1]) == "--lv2")
            writeLv2 (target);
        else
            writeStates (target);
    }
    catch (const Failure& failure)
    {
        std::cerr << "kravell-host-files: " << failure.message << "\n";
        return 1;
    }
    return 0;
}
