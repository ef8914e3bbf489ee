// A session of many Kravell instances on one audio thread, each on its own stereo track of the
// drum loop (each track at its own place in the loop), as a DAW runs them: the time per frame
// and instance for 1 to 256 instances at blocks of 32, 64 and 512, its growth against one
// instance (what the instances' memory costs once they no longer share the caches), the
// memory one instance holds, and what it takes to create, prepare and destroy one.
//
// Built twice: kravell-session-bench drives the processor directly and the built LV2 through
// lilv; kravell-session-bench-vst3 loads the built VST3 through the framework's hosting (which
// cannot share a binary with the plug-in's own code). Arguments pick the hosts to run
// ("processor", "lv2", "vst3"), "quick" runs shorter measurements.

#include <juce_audio_processors/juce_audio_processors.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "render/DrumLoop.h"

#if KRAVELL_SESSION_BENCH_VST3
 #include "host/BuiltBundle.h"
 #include "host/damaged/RawHost.h"
 #include "support/MessagePump.h"
#else
 #include "processor/PluginProcessor.h"

 #include <lilv/lilv.h>
 #include <lv2/atom/atom.h>
 #include <lv2/buf-size/buf-size.h>
 #include <lv2/options/options.h>
 #include <lv2/urid/urid.h>

 #include "lv2/UridTable.h"

 #include <map>
#endif

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int maxBlock = 512;
constexpr int blockSizes[] = { 32, 64, 512 };
constexpr int instanceCounts[] = { 1, 16, 64, 256 };

const juce::AudioBuffer<float>& drumLoop()
{
    static const auto loop = makeDrumLoop (sampleRate, 2.0);
    return loop;
}

/** One track: its place in the loop, the buffers the host hands the plug-in, the plug-in. */
class Track
{
public:
    virtual ~Track() = default;

    /** Readies the plug-in for the block size, as a host does before playing. */
    virtual void prepare (int blockSize) = 0;

    /** Runs the plug-in on the track's current block, which `input` holds. */
    virtual void process (int numSamples) = 0;

    float* input[2] {};
};

/** Copies the track's next block of the loop into its input, as the track's source would. */
void feed (Track& track, int& position, int numSamples)
{
    const auto& loop = drumLoop();
    if (position + numSamples > loop.getNumSamples())
        position = 0;
    for (int c = 0; c < 2; ++c)
        std::copy (loop.getReadPointer (c, position), loop.getReadPointer (c, position) + numSamples, track.input[c]);
    position += numSamples;
}

#if ! KRAVELL_SESSION_BENCH_VST3
/** The processor object itself, called as the framework's wrappers call it. */
class ProcessorTrack final : public Track
{
public:
    ProcessorTrack() : buffer (2, maxBlock)
    {
        for (int c = 0; c < 2; ++c)
            input[c] = buffer.getWritePointer (c);
    }

    void prepare (int blockSize) override
    {
        processor.setPlayConfigDetails (2, 2, sampleRate, blockSize);
        processor.prepareToPlay (sampleRate, blockSize);
    }

    void process (int numSamples) override
    {
        juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), 2, numSamples);
        processor.processBlock (block, midi);
    }

private:
    KravellAudioProcessor processor;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
};

/** The built LV2 through lilv, as Ardour, Carla or jalv load it: URID map, options with the
    block length, audio, event and control ports connected. */
class Lv2Track final : public Track
{
public:
    struct World
    {
        World()
        {
            const auto bundleFolder = juce::File (KRAVELL_LV2_BUNDLE).getParentDirectory().getFullPathName();
            setenv ("LV2_PATH", (bundleFolder + ":/usr/lib/x86_64-linux-gnu/lv2:/usr/lib/lv2").toRawUTF8(), 1);
            world = lilv_world_new();
            lilv_world_load_all (world);
            auto* uri = lilv_new_uri (world, "https://dornel.audio/plugins/kravell");
            plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), uri);
            lilv_node_free (uri);
        }

        ~World() { lilv_world_free (world); }

        LilvWorld* world = nullptr;
        const LilvPlugin* plugin = nullptr;
        UridTable urids;
    };

    static World& world()
    {
        static World shared;
        return shared;
    }

    Lv2Track()
    {
        for (int c = 0; c < 2; ++c)
            input[c] = inputs[(size_t) c].data();

        auto& w = world();
        if (w.plugin == nullptr)
            return;

        options[0] = { LV2_OPTIONS_INSTANCE, 0, w.urids.idFor (LV2_BUF_SIZE__maxBlockLength), sizeof (int32_t), w.urids.idFor (LV2_ATOM__Int), &blockLength };
        options[1] = { LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr };
        features = { { LV2_URID__map, &w.urids.map }, { LV2_URID__unmap, &w.urids.unmap }, { LV2_OPTIONS__options, options }, { LV2_BUF_SIZE__boundedBlockLength, nullptr } };
        const LV2_Feature* featureList[] = { &features[0], &features[1], &features[2], &features[3], nullptr };
        instance = lilv_plugin_instantiate (w.plugin, sampleRate, featureList);
        if (instance == nullptr)
            return;

        const auto numPorts = lilv_plugin_get_num_ports (w.plugin);
        controls.assign (numPorts, 0.0f);
        std::vector<float> defaults (numPorts, 0.0f);
        lilv_plugin_get_port_ranges_float (w.plugin, nullptr, nullptr, defaults.data());

        auto* audioClass = lilv_new_uri (w.world, LV2_CORE__AudioPort);
        auto* controlClass = lilv_new_uri (w.world, LV2_CORE__ControlPort);
        auto* atomClass = lilv_new_uri (w.world, LV2_ATOM__AtomPort);
        auto* inputClass = lilv_new_uri (w.world, LV2_CORE__InputPort);
        int audioIn = 0, audioOut = 0;
        for (uint32_t i = 0; i < numPorts; ++i)
        {
            const auto* port = lilv_plugin_get_port_by_index (w.plugin, i);
            const auto isInput = lilv_port_is_a (w.plugin, port, inputClass);
            if (lilv_port_is_a (w.plugin, port, audioClass))
                lilv_instance_connect_port (instance, i, isInput ? inputs[(size_t) std::min (audioIn++, 1)].data() : outputs[(size_t) std::min (audioOut++, 1)].data());
            else if (lilv_port_is_a (w.plugin, port, controlClass))
            {
                controls[i] = std::isnan (defaults[i]) ? 0.0f : defaults[i];
                lilv_instance_connect_port (instance, i, &controls[i]);
            }
            else if (lilv_port_is_a (w.plugin, port, atomClass))
                lilv_instance_connect_port (instance, i, isInput ? (void*) &eventsIn : (void*) eventsOut.data());
        }
        for (auto* node : { audioClass, controlClass, atomClass, inputClass })
            lilv_node_free (node);
        sequenceType = w.urids.idFor (LV2_ATOM__Sequence);
        chunkType = w.urids.idFor (LV2_ATOM__Chunk);
    }

    ~Lv2Track() override
    {
        if (instance == nullptr)
            return;
        if (active)
            lilv_instance_deactivate (instance);
        lilv_instance_free (instance);
    }

    bool isLoaded() const { return instance != nullptr; }

    void prepare (int) override
    {
        if (active)
            lilv_instance_deactivate (instance);
        lilv_instance_activate (instance);
        active = true;
    }

    void process (int numSamples) override
    {
        eventsIn = { { sizeof (LV2_Atom_Sequence_Body), sequenceType }, { 0, 0 } };
        auto* out = reinterpret_cast<LV2_Atom_Sequence*> (eventsOut.data());
        out->atom = { (uint32_t) (eventsOut.size() * sizeof (eventsOut[0]) - sizeof (LV2_Atom)), chunkType };
        lilv_instance_run (instance, (uint32_t) numSamples);
    }

private:
    LilvInstance* instance = nullptr;
    bool active = false;
    int32_t blockLength = maxBlock;
    LV2_Options_Option options[2] {};
    std::vector<LV2_Feature> features;
    std::vector<float> controls;
    std::array<std::array<float, maxBlock>, 2> inputs {}, outputs {};
    LV2_Atom_Sequence eventsIn {};
    std::vector<uint64_t> eventsOut = std::vector<uint64_t> (512);
    LV2_URID sequenceType = 0, chunkType = 0;
};
#else
/** The built VST3 through the framework's hosting, as a JUCE-based DAW loads it. */
class Vst3Track final : public Track
{
public:
    static const juce::PluginDescription& description()
    {
        static const auto described = []
        {
            juce::VST3PluginFormat format;
            juce::OwnedArray<juce::PluginDescription> types;
            format.findAllTypesForFile (types, builtBundle().getFullPathName());
            return types.isEmpty() ? juce::PluginDescription() : *types[0];
        }();
        return described;
    }

    Vst3Track() : buffer (2, maxBlock)
    {
        for (int c = 0; c < 2; ++c)
            input[c] = buffer.getWritePointer (c);
        juce::VST3PluginFormat format;
        juce::String error;
        instance = format.createInstanceFromDescription (description(), sampleRate, maxBlock, error);
    }

    bool isLoaded() const { return instance != nullptr; }

    void prepare (int blockSize) override
    {
        instance->setPlayConfigDetails (2, 2, sampleRate, blockSize);
        instance->prepareToPlay (sampleRate, blockSize);
    }

    void process (int numSamples) override
    {
        juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), 2, numSamples);
        instance->processBlock (block, midi);
    }

private:
    std::unique_ptr<juce::AudioPluginInstance> instance;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
};

/** The built VST3 through its bare interfaces, with the least a host can do per block (one
    ProcessData, no parameter changes, events or context): what the plug-in's side of the
    wrapper costs without the framework's hosting around it. */
class BareVst3Track final : public Track
{
public:
    static rawhost::Module& module()
    {
        static rawhost::Module loaded (builtBundle());
        return loaded;
    }

    BareVst3Track() : buffer (2, maxBlock), instance (module(), sampleRate, maxBlock)
    {
        for (int c = 0; c < 2; ++c)
            input[c] = buffer.getWritePointer (c);
    }

    void prepare (int) override {}

    void process (int numSamples) override { instance.process (input[0], input[1], numSamples); }

private:
    juce::AudioBuffer<float> buffer;
    rawhost::Instance instance;
};
#endif

struct Host
{
    const char* name;
    std::function<std::unique_ptr<Track>()> create;
};

std::vector<Host> availableHosts()
{
#if KRAVELL_SESSION_BENCH_VST3
    return { { "vst3", []() -> std::unique_ptr<Track>
               {
                   auto track = std::make_unique<Vst3Track>();
                   return track->isLoaded() ? std::move (track) : nullptr;
               } },
             { "vst3-bare", [] { return std::unique_ptr<Track> (std::make_unique<BareVst3Track>()); } } };
#else
    return { { "processor", [] { return std::unique_ptr<Track> (std::make_unique<ProcessorTrack>()); } },
             { "lv2", []() -> std::unique_ptr<Track>
               {
                   auto track = std::make_unique<Lv2Track>();
                   return track->isLoaded() ? std::move (track) : nullptr;
               } } };
#endif
}

/** Lets messages the instances posted be delivered before they go (the VST3 wrapper posts
    updates to the message thread). */
void settle()
{
#if KRAVELL_SESSION_BENCH_VST3
    pumpMessages (50);
#endif
}

double threadSeconds()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return (double) t.tv_sec + 1.0e-9 * (double) t.tv_nsec;
}

double wallSeconds() { return juce::Time::getMillisecondCounterHiRes() * 0.001; }

size_t heapBytes()
{
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

size_t residentBytes()
{
    long pages = 0, resident = 0;
    std::ifstream ("/proc/self/statm") >> pages >> resident;
    return (size_t) resident * (size_t) sysconf (_SC_PAGESIZE);
}

std::string loadAverage()
{
    std::string one, five, fifteen;
    std::ifstream ("/proc/loadavg") >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::string cpuName()
{
    std::ifstream cpuinfo ("/proc/cpuinfo");
    for (std::string line; std::getline (cpuinfo, line);)
        if (line.rfind ("model name", 0) == 0)
            return line.substr (line.find (':') + 2);
    return "unknown";
}

/** A session of `count` tracks at one block size. */
struct Session
{
    Session (const Host& host, int count, int blockSizeIn) : blockSize (blockSizeIn)
    {
        const auto loopLength = drumLoop().getNumSamples();
        for (int i = 0; i < count; ++i)
        {
            auto track = host.create();
            if (track == nullptr)
                return;
            track->prepare (blockSize);
            tracks.push_back (std::move (track));
            positions.push_back ((int) (((long long) i * 7919 + 1237) % (loopLength - maxBlock)));
        }
    }

    ~Session()
    {
        settle();
    }

    bool isComplete (int count) const { return (int) tracks.size() == count; }

    /** Thread seconds for `blocks` blocks of every track, with or without the plug-ins. */
    double run (int blocks, bool withPlugins)
    {
        const auto start = threadSeconds();
        for (int b = 0; b < blocks; ++b)
            for (size_t t = 0; t < tracks.size(); ++t)
            {
                feed (*tracks[t], positions[t], blockSize);
                if (withPlugins)
                    tracks[t]->process (blockSize);
            }
        return threadSeconds() - start;
    }

    int blockSize;
    std::vector<std::unique_ptr<Track>> tracks;
    std::vector<int> positions;
};

/** The value below which a fraction of the (sorted) samples lie. */
double quantile (std::vector<double> samples, double fraction)
{
    std::sort (samples.begin(), samples.end());
    return samples[(size_t) (fraction * (double) (samples.size() - 1))];
}

/** Nanoseconds of plug-in time per stereo frame and instance. The session runs in short
    stretches (about 16000 frames of all tracks together), timed one by one, alternating with
    stretches that only feed the tracks; the figure is the difference of their lower quartiles
    over the frames. A stretch in which another process took the core, or trashed its caches,
    lands in the upper quartiles, so the figures hold on a machine that is not quiet. */
double measure (const Host& host, int count, int blockSize, int numSamples)
{
    Session session (host, count, blockSize);
    if (! session.isComplete (count))
        return std::nan ("");

    const auto blocks = std::max (1, 16384 / (count * blockSize));
    session.run (std::max (1, 24000 / blockSize), true); // warm-up: caches, branch predictors, smoothers settled
    std::vector<double> withPlugins, feedingOnly;
    for (int i = 0; i < numSamples; ++i)
    {
        withPlugins.push_back (session.run (blocks, true));
        feedingOnly.push_back (session.run (blocks, false));
    }
    return (quantile (withPlugins, 0.25) - quantile (feedingOnly, 0.25)) * 1.0e9 / ((double) blocks * blockSize * count);
}

/** Memory one instance holds once prepared and run, and how long one takes to create,
    prepare and destroy, over a batch of instances. */
void measureInstanceCosts (const Host& host)
{
    constexpr int batch = 32;
    std::vector<std::unique_ptr<Track>> tracks;
    const auto heapBefore = heapBytes();
    const auto residentBefore = residentBytes();
    double createSeconds = 0.0, prepareSeconds = 0.0;
    for (int i = 0; i < batch; ++i)
    {
        auto start = wallSeconds();
        auto track = host.create();
        createSeconds += wallSeconds() - start;
        if (track == nullptr)
        {
            std::printf ("  %s: could not be loaded\n", host.name);
            return;
        }
        start = wallSeconds();
        track->prepare (64);
        prepareSeconds += wallSeconds() - start;
        int position = 0;
        feed (*track, position, 64);
        track->process (64);
        tracks.push_back (std::move (track));
    }
    const auto heap = (double) (heapBytes() - heapBefore) / batch;
    const auto resident = (double) ((long long) residentBytes() - (long long) residentBefore) / batch;

    settle();
    const auto start = wallSeconds();
    tracks.clear();
    const auto destroySeconds = wallSeconds() - start;

    std::printf ("  %-9s heap %7.1f KB, resident %7.1f KB per instance (the track's buffers %.1f KB included); create %7.1f us, prepare %6.1f us, destroy %7.1f us\n",
                 host.name, heap / 1024.0, resident / 1024.0, 2.0 * maxBlock * sizeof (float) / 1024.0,
                 createSeconds * 1.0e6 / batch, prepareSeconds * 1.0e6 / batch, destroySeconds * 1.0e6 / batch);
}

int runSession (int argc, char** argv)
{
    std::vector<std::string> wanted;
    auto quick = false;
    for (int i = 1; i < argc; ++i)
    {
        if (std::string (argv[i]) == "quick")
            quick = true;
        else
            wanted.push_back (argv[i]);
    }

    auto hosts = availableHosts();
    if (! wanted.empty())
        hosts.erase (std::remove_if (hosts.begin(), hosts.end(), [&] (const Host& h) { return std::find (wanted.begin(), wanted.end(), h.name) == wanted.end(); }), hosts.end());

    std::printf ("CPU: %s; load average at start: %s\n", cpuName().c_str(), loadAverage().c_str());
#if ! KRAVELL_SESSION_BENCH_VST3
    std::printf ("sizeof (KravellAudioProcessor) %zu bytes, of which the engine's state %zu\n", sizeof (KravellAudioProcessor), sizeof (EngineState));
#endif
    std::printf ("\nPer instance:\n");
    for (const auto& host : hosts)
        measureInstanceCosts (host);

    const auto numSamples = quick ? 60 : 400;
    std::printf ("\nThread CPU ns per stereo frame per instance (48 kHz, drum loop, plug-in time alone: feeding the tracks is measured apart and taken off; lower quartiles of short stretches); growth against N = 1\n");
    std::printf ("  %-9s %5s", "host", "block");
    for (auto count : instanceCounts)
        std::printf ("  N=%-17d", count);
    std::printf ("\n");
    for (const auto& host : hosts)
        for (auto blockSize : blockSizes)
        {
            std::printf ("  %-9s %5d", host.name, blockSize);
            std::fflush (stdout);
            double single = 0.0;
            for (auto count : instanceCounts)
            {
                const auto ns = measure (host, count, blockSize, numSamples);
                if (count == 1)
                    single = ns;
                std::printf ("  %8.2f ns %6.2fx", ns, ns / single);
                std::fflush (stdout);
            }
            std::printf ("\n");
        }
    std::printf ("\nload average at end: %s\n", loadAverage().c_str());
    return 0;
}
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    return runSession (argc, argv);
}
