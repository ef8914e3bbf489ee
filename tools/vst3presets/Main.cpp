// kravell-vst3-presets BUNDLE STATES OUTDIR: the factory presets as VST3 preset files, for the
// preset browsers of hosts. Each preset's state (written by kravell-host-files --states) is
// handed to the built bundle through the bare VST3 interfaces, as a host restores a project,
// and what the component and the controller then give back is written with the SDK's own
// preset-file code: OUTDIR/<name>.vstpreset, with the processor's class ID and a meta
// description naming the preset.

#include <juce_core/juce_core.h>

#include <public.sdk/source/common/memorystream.h>
#include <public.sdk/source/vst/vstpresetfile.h>

#include <cstring>
#include <iostream>

#include "host/damaged/RawHost.h"

namespace
{
using namespace Steinberg;

/** The meta description hosts show in their preset browsers (the SDK's MetaInfo attributes). */
std::string metaInfo (const juce::String& name)
{
    juce::XmlElement info ("MetaInfo");
    const auto attribute = [&info] (const char* id, const juce::String& value)
    {
        auto* element = info.createNewChildElement ("Attr");
        element->setAttribute ("id", id);
        element->setAttribute ("value", value);
        element->setAttribute ("type", "string");
    };
    attribute ("MediaType", "VstPreset");
    attribute ("PlugInName", "Kravell");
    attribute ("PlugInCategory", "Fx|Dynamics");
    attribute ("Name", name);
    return info.toString().toStdString();
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 4)
    {
        std::cerr << "usage: kravell-vst3-presets BUNDLE STATES OUTDIR\n";
        return 2;
    }
    try
    {
        const auto cwd = juce::File::getCurrentWorkingDirectory();
        const auto bundle = cwd.getChildFile (argv[1]);
        const auto states = cwd.getChildFile (argv[2]);
        const auto out = cwd.getChildFile (argv[3]);
        out.deleteRecursively();
        if (! out.createDirectory())
            throw std::runtime_error ("cannot make " + out.getFullPathName().toStdString());

        rawhost::Module module (bundle);
        const auto classId = FUID::fromTUID (module.effectClassId());
        juce::StringArray names;
        names.addLines (states.getChildFile ("order.txt").loadFileAsString());
        names.removeEmptyStrings();
        if (names.isEmpty())
            throw std::runtime_error ("no presets listed in " + states.getChildFile ("order.txt").getFullPathName().toStdString());

        for (const auto& name : names)
        {
            juce::MemoryBlock state;
            if (! states.getChildFile (name + ".state").loadFileAsData (state))
                throw std::runtime_error ("no state for " + name.toStdString());

            rawhost::Instance instance (module);
            instance.setState (state);

            IPtr<MemoryStream> stream = owned (new MemoryStream());
            const auto meta = metaInfo (name);
            if (! Vst::PresetFile::savePreset (stream, classId, instance.component, instance.controller, meta.c_str(), (int32) meta.size()))
                throw std::runtime_error ("the SDK could not write the preset " + name.toStdString());

            const auto file = out.getChildFile (name + ".vstpreset");
            if (! file.replaceWithData (stream->getData(), (size_t) stream->getSize()))
                throw std::runtime_error ("cannot write " + file.getFullPathName().toStdString());
        }
        std::cout << "wrote " << names.size() << " VST3 presets into " << out.getFullPathName() << "\n";
    }
    catch (const std::exception& failure)
    {
        std::cerr << "kravell-vst3-presets: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
