#pragma once

#include <juce_core/juce_core.h>

#include <pluginterfaces/base/ibstream.h>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>

#include <memory>
#include <vector>

namespace rawhost
{
/** The built bundle's shared object, loaded and entered as a Linux VST3 host does:
    dlopen, ModuleEntry, GetPluginFactory; left with ModuleExit and dlclose. */
class Module
{
public:
    explicit Module (const juce::File& bundle);
    ~Module();

    Steinberg::IPluginFactory* factory() const noexcept { return pluginFactory; }

    /** The ID of the audio effect class the factory offers: the processor's, which preset
        files name. (A module without one is refused when it is loaded.) */
    const Steinberg::TUID& effectClassId() const noexcept { return effectClass; }

private:
    void* handle = nullptr;
    Steinberg::IPluginFactory* pluginFactory = nullptr;
    Steinberg::TUID effectClass {};
};

/** How a host's IBStream hands over its bytes: with its size known (JUCE reads it in one go),
    with its size known but a few bytes per read, or only as a sequence of reads (JUCE then
    reads until the stream ends). */
enum class StreamKind
{
    sizeable,
    sizeableInPieces,
    readOnly
};

/** One live instance made straight from the module's factory, as a DAW makes one: component
    and edit controller initialised with a host context and connected, stereo buses active,
    processing on. Every call goes through the VST3 interfaces only. */
class Instance
{
public:
    Instance (Module& module, double sampleRate = 48000.0, int maxBlockSize = 512);
    ~Instance();

    /** IComponent::getState into memory. */
    juce::MemoryBlock getState();

    /** IComponent::setState, then IEditController::setComponentState, both with these bytes. */
    void setState (const void* data, size_t size, StreamKind kind = StreamKind::sizeable);
    void setState (const juce::MemoryBlock& block, StreamKind kind = StreamKind::sizeable) { setState (block.getData(), block.getSize(), kind); }

    /** One block of IAudioProcessor::process, in place on two channels. */
    void process (float* left, float* right, int numSamples);

    int parameterCount() const;
    double normalisedValue (int index) const;

    Steinberg::Vst::IComponent* component = nullptr;
    Steinberg::Vst::IEditController* controller = nullptr;
    Steinberg::Vst::IAudioProcessor* processor = nullptr;

private:
    struct Host;
    std::unique_ptr<Host> host;
};

/** A host-side stream over bytes, of either kind. */
Steinberg::IBStream* makeStream (const void* data, size_t size, StreamKind kind);
} // namespace rawhost
