#pragma once

// A small VST3 host on the SDK's own hosting classes: what a DAW that is not built on the
// framework does to load a plug-in, set it up, automate it, process audio and keep its state.

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/module.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace host
{
using namespace Steinberg;
using namespace Steinberg::Vst;

/** An environment variable the test script sets (empty when unset). */
std::string environment (const char* name);

/** The installed Kravell.vst3 bundle the tests load. */
std::string bundlePath();

std::string toUtf8 (const TChar* text);
std::u16string toUtf16 (const std::string& text);

/** Parameter changes for one process call: one queue per parameter, points in order. */
class ParameterChanges final : public IParameterChanges
{
public:
    void add (ParamID id, int32 sampleOffset, ParamValue value);
    bool empty() const noexcept { return queues.empty(); }

    tresult PLUGIN_API queryInterface (const TUID iid, void** object) override;
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    int32 PLUGIN_API getParameterCount() override { return (int32) queues.size(); }
    IParamValueQueue* PLUGIN_API getParameterData (int32 index) override;
    IParamValueQueue* PLUGIN_API addParameterData (const ParamID& id, int32& index) override;

private:
    class Queue final : public IParamValueQueue
    {
    public:
        explicit Queue (ParamID parameter) :
            id (parameter) { }
        tresult PLUGIN_API queryInterface (const TUID iid, void** object) override;
        uint32 PLUGIN_API addRef() override { return 1; }
        uint32 PLUGIN_API release() override { return 1; }
        ParamID PLUGIN_API getParameterId() override { return id; }
        int32 PLUGIN_API getPointCount() override { return (int32) points.size(); }
        tresult PLUGIN_API getPoint (int32 index, int32& sampleOffset, ParamValue& value) override;
        tresult PLUGIN_API addPoint (int32 sampleOffset, ParamValue value, int32& index) override;

    private:
        ParamID id;
        std::vector<std::pair<int32, ParamValue>> points;
    };

    std::vector<std::unique_ptr<Queue>> queues;
};

/** Records what the controller tells the host (performEdit and friends), as a DAW's
    automation and undo would see it. */
class ComponentHandler final : public IComponentHandler
{
public:
    tresult PLUGIN_API queryInterface (const TUID iid, void** object) override;
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    tresult PLUGIN_API beginEdit (ParamID) override { return kResultOk; }
    tresult PLUGIN_API performEdit (ParamID id, ParamValue value) override;
    tresult PLUGIN_API endEdit (ParamID) override { return kResultOk; }
    tresult PLUGIN_API restartComponent (int32) override { return kResultOk; }

    /** The last value performEdit reported per parameter. */
    std::map<ParamID, ParamValue> lastEdits() const;

private:
    mutable std::mutex lock;
    std::map<ParamID, ParamValue> edits;
};

/** Deinterleaved audio: channels of equal length. */
using Audio = std::vector<std::vector<float>>;

/** One instance of the plug-in, as a host holds it: component, controller, their
    connection, and the processing set-up. */
class Plugin
{
public:
    /** Loads the bundle's module (once per test program) and creates and connects one
        instance, its controller synchronised with the component's state. */
    Plugin();
    ~Plugin();

    IComponent& component() { return *componentPtr; }
    IEditController& controller() { return *controllerPtr; }
    IAudioProcessor& processor() { return *processorPtr; }
    ComponentHandler& handler() { return componentHandler; }

    static VST3::Hosting::Module& module();

    /** The controller's parameter index of a title ("Attack"), or -1. */
    int32 indexOfTitle (const std::string& title);
    ParamID idOfTitle (const std::string& title);

    /** The normalised value the controller reads from a display text ("8", "Tight"). */
    ParamValue normalisedFromText (ParamID id, const std::string& text);
    std::string textOf (ParamID id, ParamValue normalised);

    /** Sets parameters from "name=value" texts ("attack=8", "mode=Tight") on the controller,
        as a host restoring a project does before it starts processing. */
    void applySettings (const std::vector<std::string>& settings);

    /** Bus arrangement, processing set-up, activation: ready for process(). */
    void prepare (SpeakerArrangement arrangement, double sampleRate, int32 blockSize, int32 mode = kRealtime);
    void unprepare();

    /** Runs one block in place; changes, when given, are the block's parameter changes. */
    tresult process (Audio& audio, int32 start, int32 count, ParameterChanges* changes = nullptr);

    /** Runs a whole signal through in blocks, returning the output. */
    Audio processAll (const Audio& input, int32 blockSize);

    std::vector<char> componentState();
    tresult setComponentState (const std::vector<char>& bytes);

private:
    IPtr<IComponent> componentPtr;
    IPtr<IEditController> controllerPtr;
    IPtr<IAudioProcessor> processorPtr;
    IPtr<IConnectionPoint> componentConnection, controllerConnection;
    ComponentHandler componentHandler;
    bool prepared = false;
    int32 processMode = kRealtime;
};

/** The bytes written to an IBStream. */
std::vector<char> bytesOf (MemoryStream& stream);
} // namespace host
