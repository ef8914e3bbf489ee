#include "host/damaged/RawHost.h"

#include <pluginterfaces/vst/ivsthostapplication.h>

#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <stdexcept>

namespace rawhost
{
using namespace Steinberg;

namespace
{
/** Bytes behind the IBStream interface; as a sizeable stream it also answers
    ISizeableStream, as most hosts' streams do. */
class ByteStream final : public IBStream,
                         public ISizeableStream
{
public:
    ByteStream (const void* data, size_t size, StreamKind kindIn)
        : bytes (static_cast<const char*> (data), static_cast<const char*> (data) + size), kind (kindIn)
    {
    }

    tresult PLUGIN_API queryInterface (const TUID queried, void** obj) override
    {
        if (FUnknownPrivate::iidEqual (queried, IBStream::iid) || FUnknownPrivate::iidEqual (queried, FUnknown::iid))
        {
            addRef();
            *obj = static_cast<IBStream*> (this);
            return kResultOk;
        }
        if (kind != StreamKind::readOnly && FUnknownPrivate::iidEqual (queried, ISizeableStream::iid))
        {
            addRef();
            *obj = static_cast<ISizeableStream*> (this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }

    uint32 PLUGIN_API addRef() override { return (uint32) ++references; }
    uint32 PLUGIN_API release() override
    {
        const auto left = --references;
        if (left == 0)
            delete this;
        return (uint32) left;
    }

    tresult PLUGIN_API read (void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        const auto available = (int64) bytes.size() - position;
        const auto wanted = kind == StreamKind::sizeableInPieces ? std::min (numBytes, (int32) 5) : numBytes;
        const auto count = (int32) std::max ((int64) 0, std::min ((int64) wanted, available));
        if (count > 0)
            std::memcpy (buffer, bytes.data() + position, (size_t) count);
        position += count;
        if (numBytesRead != nullptr)
            *numBytesRead = count;
        return count > 0 || numBytes == 0 ? kResultOk : kResultFalse;
    }

    tresult PLUGIN_API write (void*, int32, int32* numBytesWritten) override
    {
        if (numBytesWritten != nullptr)
            *numBytesWritten = 0;
        return kResultFalse;
    }

    tresult PLUGIN_API seek (int64 pos, int32 mode, int64* result) override
    {
        const auto base = mode == kIBSeekSet ? 0 : (mode == kIBSeekCur ? position : (int64) bytes.size());
        const auto target = base + pos;
        if (target < 0)
            return kInvalidArgument;
        position = std::min (target, (int64) bytes.size());
        if (result != nullptr)
            *result = position;
        return kResultTrue;
    }

    tresult PLUGIN_API tell (int64* pos) override
    {
        if (pos == nullptr)
            return kInvalidArgument;
        *pos = position;
        return kResultTrue;
    }

    tresult PLUGIN_API getStreamSize (int64& size) override
    {
        size = (int64) bytes.size();
        return kResultOk;
    }

    tresult PLUGIN_API setStreamSize (int64) override { return kResultFalse; }

private:
    std::vector<char> bytes;
    StreamKind kind;
    int64 position = 0;
    std::atomic<int> references { 1 };
};

/** The host context handed to initialize: our name, and nothing to create. It lives as long
    as the instance that uses it, so its reference count is not needed. */
class HostContext final : public Vst::IHostApplication
{
public:
    tresult PLUGIN_API getName (Vst::String128 name) override
    {
        const char text[] = "Kravell test host";
        for (size_t i = 0; i < sizeof (text); ++i)
            name[i] = (Vst::TChar) text[i];
        return kResultOk;
    }

    tresult PLUGIN_API createInstance (TUID, TUID, void** obj) override
    {
        *obj = nullptr;
        return kNotImplemented;
    }

    tresult PLUGIN_API queryInterface (const TUID queried, void** obj) override
    {
        if (FUnknownPrivate::iidEqual (queried, Vst::IHostApplication::iid) || FUnknownPrivate::iidEqual (queried, FUnknown::iid))
        {
            *obj = static_cast<Vst::IHostApplication*> (this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }

    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
};

/** A writable stream for getState. */
class WriteStream final : public IBStream
{
public:
    tresult PLUGIN_API queryInterface (const TUID queried, void** obj) override
    {
        if (FUnknownPrivate::iidEqual (queried, IBStream::iid) || FUnknownPrivate::iidEqual (queried, FUnknown::iid))
        {
            addRef();
            *obj = static_cast<IBStream*> (this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }

    // Lives on the caller's stack; reference counting is not needed.
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    tresult PLUGIN_API read (void*, int32, int32* numBytesRead) override
    {
        if (numBytesRead != nullptr)
            *numBytesRead = 0;
        return kResultFalse;
    }

    tresult PLUGIN_API write (void* buffer, int32 numBytes, int32* numBytesWritten) override
    {
        if (numBytes < 0)
            return kInvalidArgument;
        data.append (buffer, (size_t) numBytes);
        if (numBytesWritten != nullptr)
            *numBytesWritten = numBytes;
        return kResultOk;
    }

    tresult PLUGIN_API seek (int64, int32, int64*) override { return kResultFalse; }
    tresult PLUGIN_API tell (int64* pos) override
    {
        if (pos == nullptr)
            return kInvalidArgument;
        *pos = (int64) data.getSize();
        return kResultTrue;
    }

    juce::MemoryBlock data;
};

void check (bool condition, const char* what)
{
    if (! condition)
        throw std::runtime_error (what);
}
} // namespace

IBStream* makeStream (const void* data, size_t size, StreamKind kind)
{
    return new ByteStream (data, size, kind);
}

//==============================================================================
Module::Module (const juce::File& bundle)
{
    const auto library = bundle.getChildFile ("Contents/x86_64-linux").getChildFile (bundle.getFileNameWithoutExtension() + ".so");
    handle = dlopen (library.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);
    check (handle != nullptr, "cannot load the bundle's shared object");

    using EntryFunction = bool (*) (void*);
    using FactoryFunction = IPluginFactory* (*)();
    auto* entry = reinterpret_cast<EntryFunction> (dlsym (handle, "ModuleEntry"));
    auto* getFactory = reinterpret_cast<FactoryFunction> (dlsym (handle, "GetPluginFactory"));
    check (entry != nullptr && getFactory != nullptr, "the module lacks ModuleEntry or GetPluginFactory");
    check (entry (handle), "ModuleEntry failed");
    pluginFactory = getFactory();
    check (pluginFactory != nullptr, "GetPluginFactory returned nothing");

    bool found = false;
    for (int32 i = 0; i < pluginFactory->countClasses() && ! found; ++i)
    {
        PClassInfo info {};
        found = pluginFactory->getClassInfo (i, &info) == kResultOk && std::strcmp (info.category, kVstAudioEffectClass) == 0;
        if (found)
            std::memcpy (effectClass, info.cid, sizeof (TUID));
    }
    check (found, "no audio effect class in the factory");
}

Module::~Module()
{
    if (pluginFactory != nullptr)
        pluginFactory->release();
    if (handle != nullptr)
    {
        if (auto* exitFunction = reinterpret_cast<bool (*)()> (dlsym (handle, "ModuleExit")))
            exitFunction();
        dlclose (handle);
    }
}

//==============================================================================
struct Instance::Host
{
    HostContext context;
    Vst::IConnectionPoint* componentConnection = nullptr;
    Vst::IConnectionPoint* controllerConnection = nullptr;
};

Instance::Instance (Module& module, double sampleRate, int maxBlockSize)
    : host (std::make_unique<Host>())
{
    auto* factory = module.factory();
    check (factory->createInstance (module.effectClassId(), Vst::IComponent::iid, reinterpret_cast<void**> (&component)) == kResultOk && component != nullptr, "cannot create the component");
    check (component->initialize (&host->context) == kResultOk, "component initialise failed");

    TUID controllerId {};
    check (component->getControllerClassId (controllerId) == kResultOk, "no controller class");
    check (factory->createInstance (controllerId, Vst::IEditController::iid, reinterpret_cast<void**> (&controller)) == kResultOk && controller != nullptr, "cannot create the controller");
    check (controller->initialize (&host->context) == kResultOk, "controller initialise failed");

    component->queryInterface (Vst::IConnectionPoint::iid, reinterpret_cast<void**> (&host->componentConnection));
    controller->queryInterface (Vst::IConnectionPoint::iid, reinterpret_cast<void**> (&host->controllerConnection));
    check (host->componentConnection != nullptr && host->controllerConnection != nullptr, "no connection points");
    host->componentConnection->connect (host->controllerConnection);
    host->controllerConnection->connect (host->componentConnection);

    // As a host does after creating both halves: the controller learns the component's state.
    const auto initial = getState();
    IPtr<IBStream> stream = owned (makeStream (initial.getData(), initial.getSize(), StreamKind::sizeable));
    controller->setComponentState (stream);

    check (component->queryInterface (Vst::IAudioProcessor::iid, reinterpret_cast<void**> (&processor)) == kResultOk && processor != nullptr, "no audio processor");
    Vst::SpeakerArrangement stereo = Vst::SpeakerArr::kStereo;
    check (processor->setBusArrangements (&stereo, 1, &stereo, 1) == kResultTrue, "stereo refused");
    Vst::ProcessSetup setup { Vst::kRealtime, Vst::kSample32, maxBlockSize, sampleRate };
    check (processor->setupProcessing (setup) == kResultOk, "setupProcessing failed");
    component->activateBus (Vst::kAudio, Vst::kInput, 0, true);
    component->activateBus (Vst::kAudio, Vst::kOutput, 0, true);
    check (component->setActive (true) == kResultOk, "setActive failed");
    processor->setProcessing (true);
}

Instance::~Instance()
{
    processor->setProcessing (false);
    component->setActive (false);
    host->componentConnection->disconnect (host->controllerConnection);
    host->controllerConnection->disconnect (host->componentConnection);
    host->componentConnection->release();
    host->controllerConnection->release();
    processor->release();
    controller->terminate();
    component->terminate();
    controller->release();
    component->release();
}

juce::MemoryBlock Instance::getState()
{
    WriteStream stream;
    if (component->getState (&stream) != kResultOk)
        return {};
    return stream.data;
}

void Instance::setState (const void* data, size_t size, StreamKind kind)
{
    IPtr<IBStream> forComponent = owned (makeStream (data, size, kind));
    component->setState (forComponent);
    IPtr<IBStream> forController = owned (makeStream (data, size, kind));
    controller->setComponentState (forController);
}

void Instance::process (float* left, float* right, int numSamples)
{
    float* channels[] = { left, right };
    Vst::AudioBusBuffers input {}, output {};
    input.numChannels = output.numChannels = 2;
    input.channelBuffers32 = output.channelBuffers32 = channels;

    Vst::ProcessData data {};
    data.processMode = Vst::kRealtime;
    data.symbolicSampleSize = Vst::kSample32;
    data.numSamples = numSamples;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &input;
    data.outputs = &output;
    processor->process (data);
}

int Instance::parameterCount() const
{
    return controller->getParameterCount();
}

double Instance::normalisedValue (int index) const
{
    Vst::ParameterInfo info {};
    controller->getParameterInfo (index, info);
    return controller->getParamNormalized (info.id);
}
} // namespace rawhost
