#include "VstHost.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "public.sdk/source/vst/utility/stringconvert.h"

#include <cstdlib>
#include <stdexcept>

namespace host
{
std::string environment (const char* name)
{
    const auto* value = std::getenv (name);
    return value != nullptr ? value : "";
}

std::string bundlePath()
{
    const auto path = environment ("KRAVELL_VST3");
    if (path.empty())
        throw std::runtime_error ("KRAVELL_VST3 is not set (run the tests through scripts/test-windows.sh)");
    return path;
}

std::string toUtf8 (const TChar* text) { return StringConvert::convert (text); }
std::u16string toUtf16 (const std::string& text) { return StringConvert::convert (text); }

namespace
{
/** queryInterface for a host object that implements one interface and lives as long as its user. */
template <typename Interface>
tresult answerQuery (Interface* self, const TUID iid, void** object)
{
    if (FUnknownPrivate::iidEqual (iid, Interface::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
    {
        *object = self;
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}
} // namespace

//==============================================================================
void ParameterChanges::add (ParamID id, int32 sampleOffset, ParamValue value)
{
    int32 index = 0, pointIndex = 0;
    addParameterData (id, index)->addPoint (sampleOffset, value, pointIndex);
}

tresult PLUGIN_API ParameterChanges::queryInterface (const TUID iid, void** object)
{
    return answerQuery<IParameterChanges> (this, iid, object);
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData (int32 index)
{
    return index >= 0 && index < (int32) queues.size() ? queues[(size_t) index].get() : nullptr;
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData (const ParamID& id, int32& index)
{
    for (size_t i = 0; i < queues.size(); ++i)
    {
        if (queues[i]->getParameterId() == id)
        {
            index = (int32) i;
            return queues[i].get();
        }
    }
    queues.push_back (std::make_unique<Queue> (id));
    index = (int32) queues.size() - 1;
    return queues.back().get();
}

tresult PLUGIN_API ParameterChanges::Queue::queryInterface (const TUID iid, void** object)
{
    return answerQuery<IParamValueQueue> (this, iid, object);
}

tresult PLUGIN_API ParameterChanges::Queue::getPoint (int32 index, int32& sampleOffset, ParamValue& value)
{
    if (index < 0 || index >= (int32) points.size())
        return kResultFalse;
    sampleOffset = points[(size_t) index].first;
    value = points[(size_t) index].second;
    return kResultOk;
}

tresult PLUGIN_API ParameterChanges::Queue::addPoint (int32 sampleOffset, ParamValue value, int32& index)
{
    index = (int32) points.size();
    points.emplace_back (sampleOffset, value);
    return kResultOk;
}

//==============================================================================
tresult PLUGIN_API ComponentHandler::queryInterface (const TUID iid, void** object)
{
    return answerQuery<IComponentHandler> (this, iid, object);
}

tresult PLUGIN_API ComponentHandler::performEdit (ParamID id, ParamValue value)
{
    const std::lock_guard<std::mutex> guard (lock);
    edits[id] = value;
    return kResultOk;
}

std::map<ParamID, ParamValue> ComponentHandler::lastEdits() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return edits;
}

//==============================================================================
namespace
{
HostApplication& hostApplication()
{
    static HostApplication application;
    return application;
}

std::string lowerCase (std::string text)
{
    for (auto& c : text)
        c = (char) std::tolower ((unsigned char) c);
    return text;
}
} // namespace

VST3::Hosting::Module& Plugin::module()
{
    static const auto loaded = []
    {
        std::string error;
        auto result = VST3::Hosting::Module::create (bundlePath(), error);
        if (result == nullptr)
            throw std::runtime_error ("cannot load " + bundlePath() + ": " + error);
        result->getFactory().setHostContext (&hostApplication());
        return result;
    }();
    return *loaded;
}

Plugin::Plugin()
{
    const auto& factory = module().getFactory();
    for (const auto& info : factory.classInfos())
    {
        if (info.category() == kVstAudioEffectClass)
        {
            componentPtr = factory.createInstance<IComponent> (info.ID());
            break;
        }
    }
    if (componentPtr == nullptr || componentPtr->initialize (&hostApplication()) != kResultOk)
        throw std::runtime_error ("cannot create the audio component");

    TUID controllerId;
    if (componentPtr->getControllerClassId (controllerId) == kResultOk)
        controllerPtr = factory.createInstance<IEditController> (VST3::UID::fromTUID (controllerId));
    if (controllerPtr == nullptr || controllerPtr->initialize (&hostApplication()) != kResultOk)
        throw std::runtime_error ("cannot create the edit controller");
    controllerPtr->setComponentHandler (&componentHandler);

    componentConnection = U::cast<IConnectionPoint> (componentPtr);
    controllerConnection = U::cast<IConnectionPoint> (controllerPtr);
    if (componentConnection != nullptr && controllerConnection != nullptr)
    {
        componentConnection->connect (controllerConnection);
        controllerConnection->connect (componentConnection);
    }

    processorPtr = U::cast<IAudioProcessor> (componentPtr);
    if (processorPtr == nullptr)
        throw std::runtime_error ("the component is no audio processor");

    // A host hands the component's state to the controller before it shows anything.
    MemoryStream state;
    if (componentPtr->getState (&state) == kResultOk)
    {
        state.seek (0, IBStream::kIBSeekSet, nullptr);
        controllerPtr->setComponentState (&state);
    }
}

Plugin::~Plugin()
{
    unprepare();
    if (componentConnection != nullptr && controllerConnection != nullptr)
    {
        componentConnection->disconnect (controllerConnection);
        controllerConnection->disconnect (componentConnection);
    }
    controllerPtr->setComponentHandler (nullptr);
    controllerPtr->terminate();
    componentPtr->terminate();
}

int32 Plugin::indexOfTitle (const std::string& title)
{
    for (int32 i = 0; i < controllerPtr->getParameterCount(); ++i)
    {
        ParameterInfo info {};
        if (controllerPtr->getParameterInfo (i, info) == kResultOk && lowerCase (toUtf8 (info.title)) == lowerCase (title))
            return i;
    }
    return -1;
}

ParamID Plugin::idOfTitle (const std::string& title)
{
    const auto index = indexOfTitle (title);
    if (index < 0)
        throw std::runtime_error ("no parameter titled " + title);
    ParameterInfo info {};
    controllerPtr->getParameterInfo (index, info);
    return info.id;
}

ParamValue Plugin::normalisedFromText (ParamID id, const std::string& text)
{
    auto utf16 = toUtf16 (text);
    ParamValue value = -1.0;
    if (controllerPtr->getParamValueByString (id, reinterpret_cast<TChar*> (utf16.data()), value) != kResultOk)
        throw std::runtime_error ("the controller cannot read '" + text + "'");
    return value;
}

std::string Plugin::textOf (ParamID id, ParamValue normalised)
{
    String128 text {};
    controllerPtr->getParamStringByValue (id, normalised, text);
    return toUtf8 (text);
}

void Plugin::applySettings (const std::vector<std::string>& settings)
{
    for (const auto& setting : settings)
    {
        const auto equals = setting.find ('=');
        if (equals == std::string::npos)
            throw std::runtime_error ("a setting is name=value, not " + setting);
        const auto id = idOfTitle (setting.substr (0, equals));
        controllerPtr->setParamNormalized (id, normalisedFromText (id, setting.substr (equals + 1)));
    }
}

void Plugin::prepare (SpeakerArrangement arrangement, double sampleRate, int32 blockSize, int32 mode)
{
    unprepare();
    auto in = arrangement, out = arrangement;
    if (processorPtr->setBusArrangements (&in, 1, &out, 1) != kResultTrue)
        throw std::runtime_error ("bus arrangement refused");
    ProcessSetup setup { mode, kSample32, blockSize, sampleRate };
    if (processorPtr->setupProcessing (setup) != kResultOk)
        throw std::runtime_error ("setupProcessing failed");
    componentPtr->activateBus (kAudio, kInput, 0, true);
    componentPtr->activateBus (kAudio, kOutput, 0, true);
    if (componentPtr->setActive (true) != kResultOk)
        throw std::runtime_error ("setActive failed");
    processorPtr->setProcessing (true);
    prepared = true;
    processMode = mode;
}

void Plugin::unprepare()
{
    if (! prepared)
        return;
    processorPtr->setProcessing (false);
    componentPtr->setActive (false);
    prepared = false;
}

tresult Plugin::process (Audio& audio, int32 start, int32 count, ParameterChanges* changes)
{
    std::vector<float*> channels;
    for (auto& channel : audio)
        channels.push_back (channel.data() + start);

    AudioBusBuffers input {}, output {};
    input.numChannels = output.numChannels = (int32) channels.size();
    input.channelBuffers32 = output.channelBuffers32 = channels.data();

    ParameterChanges none, outputChanges;
    ProcessData data;
    data.processMode = processMode;
    data.symbolicSampleSize = kSample32;
    data.numSamples = count;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &input;
    data.outputs = &output;
    data.inputParameterChanges = changes != nullptr ? changes : &none;
    data.outputParameterChanges = &outputChanges;
    return processorPtr->process (data);
}

Audio Plugin::processAll (const Audio& input, int32 blockSize)
{
    auto audio = input;
    const auto length = (int32) audio.front().size();
    for (int32 start = 0; start < length; start += blockSize)
        if (process (audio, start, std::min (blockSize, length - start)) != kResultOk)
            throw std::runtime_error ("process failed");
    return audio;
}

std::vector<char> bytesOf (MemoryStream& stream)
{
    int64 size = 0;
    stream.seek (0, IBStream::kIBSeekEnd, &size);
    return { stream.getData(), stream.getData() + size };
}

std::vector<char> Plugin::componentState()
{
    MemoryStream stream;
    if (componentPtr->getState (&stream) != kResultOk)
        throw std::runtime_error ("getState failed");
    return bytesOf (stream);
}

tresult Plugin::setComponentState (const std::vector<char>& bytes)
{
    MemoryStream stream;
    int32 written = 0;
    stream.write (const_cast<char*> (bytes.data()), (int32) bytes.size(), &written);
    stream.seek (0, IBStream::kIBSeekSet, nullptr);
    const auto result = componentPtr->setState (&stream);
    stream.seek (0, IBStream::kIBSeekSet, nullptr);
    controllerPtr->setComponentState (&stream);
    return result;
}
} // namespace host
