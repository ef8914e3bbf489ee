// Damaged and hostile component states handed to the built bundle through the VST3
// interfaces, as a DAW restoring a damaged project would hand them over.

#include "host/BuiltBundle.h"
#include "host/damaged/DamagedStreams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace
{
using rawhost::StreamKind;

/** The plug-in's XML from a component state, or nothing. */
std::unique_ptr<juce::XmlElement> xmlOf (const juce::MemoryBlock& state)
{
    return juce::AudioProcessor::getXmlFromBinary (state.getData(), (int) state.getSize());
}

/** The private data the wrapper writes after the plug-in's blob: its bypass flag. */
juce::ValueTree privateDataOf (const juce::MemoryBlock& state)
{
    const auto layout = damaged::StateLayout::of (state);
    const auto start = layout.pluginBlobSize + 8;
    return juce::ValueTree::readFromData (static_cast<const char*> (state.getData()) + start, layout.trailerStart - start);
}

class DamagedState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        module = std::make_unique<rawhost::Module> (builtBundle());
        instance = std::make_unique<rawhost::Instance> (*module);
        defaults = instance->getState();
        ASSERT_GT (defaults.getSize(), 40u);
        edited = makeEditedState();
    }

    void TearDown() override
    {
        instance.reset();
        module.reset();
    }

    /** A state the plug-in itself wrote, with every parameter off its default and an edited
        user preset recorded. */
    juce::MemoryBlock makeEditedState()
    {
        auto xml = xmlOf (defaults);
        EXPECT_NE (xml, nullptr);
        const std::map<juce::String, juce::String> values { { "power", "1" }, { "mode", "2" }, { "attack", "7.5" }, { "sustain", "-6.25" }, { "sensitivity", "81" }, { "focus", "0" }, { "punch", "64" }, { "clip", "12" }, { "mix", "87" }, { "output", "-3.5" } };
        for (auto* param : xml->getChildIterator())
            param->setAttribute ("value", values.at (param->getStringAttribute ("id")));
        xml->setAttribute ("uiCurrentPresetName", "Kick Room");
        xml->setAttribute ("uiCurrentPresetIsUser", "1");
        xml->setAttribute ("uiCurrentPresetModified", "1");

        juce::MemoryBlock blob;
        juce::AudioProcessor::copyXmlToBinary (*xml, blob);
        const auto layout = damaged::StateLayout::of (defaults);
        blob.append (static_cast<const char*> (defaults.getData()) + layout.pluginBlobSize, defaults.getSize() - layout.pluginBlobSize);

        instance->setState (blob);
        auto written = instance->getState();
        instance->setState (defaults);
        EXPECT_NE (written, defaults);
        return written;
    }

    /** Processes one block of noise and reports whether everything that came out is finite. */
    bool processesFiniteAudio()
    {
        std::vector<float> left (256), right (256);
        for (size_t i = 0; i < left.size(); ++i)
        {
            left[i] = noise.nextFloat() * 2.0f - 1.0f;
            right[i] = noise.nextFloat() * 2.0f - 1.0f;
        }
        instance->process (left.data(), right.data(), (int) left.size());
        for (size_t i = 0; i < left.size(); ++i)
            if (! std::isfinite (left[i]) || ! std::isfinite (right[i]))
                return false;
        return true;
    }

    /** The instance writes a complete state, and that state restores to the same bytes. */
    ::testing::AssertionResult writesAStateThatRestoresExactly (const juce::MemoryBlock& written)
    {
        if (written.getSize() < 40 || std::memcmp (written.getData(), "VC2!", 4) != 0)
            return ::testing::AssertionFailure() << "no plug-in blob in the state written";
        // Unknown children a damaged stream brought in may be carried along; the ten
        // parameters must all be there, as numbers.
        const auto xml = xmlOf (written);
        if (xml == nullptr)
            return ::testing::AssertionFailure() << "the state written holds no XML";
        for (auto* id : { "power", "mode", "attack", "sustain", "sensitivity", "focus", "punch", "clip", "mix", "output" })
        {
            const auto* param = xml->getChildByAttribute ("id", id);
            if (param == nullptr || ! std::isfinite (param->getDoubleAttribute ("value", std::nan (""))))
                return ::testing::AssertionFailure() << "the state written lacks " << id << ": " << xml->toString();
        }
        instance->setState (written);
        const auto again = instance->getState();
        if (again != written)
            return ::testing::AssertionFailure() << "the state written does not restore to itself:\n"
                                                 << juce::String::toHexString (written.getData(), (int) written.getSize()) << "\n"
                                                 << juce::String::toHexString (again.getData(), (int) again.getSize());
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<rawhost::Module> module;
    std::unique_ptr<rawhost::Instance> instance;
    juce::MemoryBlock defaults, edited;
    juce::Random noise { 7 };
};
} // namespace

// Every stream goes to IComponent::setState and IEditController::setComponentState of a live,
// active instance that starts from its defaults; a block is processed after each.
TEST_F (DamagedState, SeededMutationsNeverHurtTheHost)
{
    constexpr int randomStreams = 20000;
    damaged::Mutator mutator (edited, 20261210u);

    std::vector<std::pair<damaged::Mutation, juce::MemoryBlock>> streams;
    for (size_t length = 0; length < edited.getSize(); ++length) // truncation at every length
        streams.emplace_back (damaged::Mutation::truncation, juce::MemoryBlock (edited.getData(), length));
    for (int n = 0; n < randomStreams; ++n)
    {
        const auto kind = (damaged::Mutation) (n % (int) damaged::Mutation::count);
        streams.emplace_back (kind, mutator.make (kind));
    }

    std::map<damaged::Mutation, std::pair<int, int>> triedAndRefused;
    for (size_t n = 0; n < streams.size(); ++n)
    {
        const auto& [kind, stream] = streams[n];
        SCOPED_TRACE (juce::String (nameOf (kind)) + ", stream " + juce::String ((int) n));
        instance->setState (defaults);
        instance->setState (stream, (StreamKind) (n % 3));
        ASSERT_TRUE (processesFiniteAudio());

        const auto written = instance->getState();
        ++triedAndRefused[kind].first;
        if (written == defaults)
            ++triedAndRefused[kind].second;
        ASSERT_TRUE (writesAStateThatRestoresExactly (written)) << juce::String::toHexString (stream.getData(), (int) stream.getSize());
    }

    ASSERT_GE (streams.size(), 10000u);
    for (const auto& [kind, counts] : triedAndRefused)
        std::printf ("%-18s %5d streams, %5d left the defaults in place\n", nameOf (kind), counts.first, counts.second);
}

// A trailer whose stored size does not add up is ignored: the plug-in's own blob before it
// still restores every parameter and the preset, and the bypass state stays as it was.
TEST_F (DamagedState, TrailerThatDoesNotAddUpIsIgnored)
{
    const auto layout = damaged::StateLayout::of (edited);
    const auto stored = (juce::uint64) (layout.trailerStart - layout.pluginBlobSize - 8);

    struct Case
    {
        const char* name;
        juce::uint64 size;
    };
    const Case cases[] = {
        { "huge", 0x7fffffffffffffffull },
        { "all ones", ~0ull },
        { "above 4 GB", 1ull << 32 },
        { "whole stream", (juce::uint64) edited.getSize() },
        { "negative", (juce::uint64) (juce::int64) -1 },
        { "negative, large", (juce::uint64) (juce::int64) -(1ll << 40) },
        { "zero", 0 },
        { "one too many", stored + 1 },
        { "one too few", stored - 1 },
        { "eight too many", stored + 8 },
        { "eight too few", stored - 8 },
        { "exactly what is left", (juce::uint64) layout.trailerStart },
        { "one past what is left", (juce::uint64) layout.trailerStart + 1 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        for (auto kind : { StreamKind::sizeable, StreamKind::sizeableInPieces, StreamKind::readOnly })
        {
            instance->setState (defaults);
            instance->setState (damaged::withTrailerSize (edited, c.size), kind);
            EXPECT_EQ (instance->getState(), edited);
            EXPECT_TRUE (processesFiniteAudio());
        }
    }

    // Cut anywhere inside the private data or the trailer: the plug-in's blob is whole.
    for (auto length = layout.pluginBlobSize; length < edited.getSize(); ++length)
    {
        SCOPED_TRACE ("cut to " + juce::String ((int) length));
        instance->setState (defaults);
        instance->setState (juce::MemoryBlock (edited.getData(), length));
        EXPECT_EQ (instance->getState(), edited);
    }
}

// Hosts may hand a project's state over a few bytes per read; it must arrive whole.
TEST_F (DamagedState, StateHandedOverInPiecesRestoresExactly)
{
    for (auto kind : { StreamKind::sizeable, StreamKind::sizeableInPieces, StreamKind::readOnly })
    {
        instance->setState (defaults);
        instance->setState (edited, kind);
        EXPECT_EQ (instance->getState(), edited) << (int) kind;
    }
}

// The wrapper's own data still works when it adds up: a stored bypass comes back.
TEST_F (DamagedState, ValidTrailerStillRestoresBypass)
{
    EXPECT_FALSE ((bool) privateDataOf (edited).getProperty ("Bypass", true));

    juce::ValueTree bypassed ("JUCEPrivateData");
    bypassed.setProperty ("Bypass", true, nullptr);
    juce::MemoryOutputStream privateData;
    bypassed.writeToStream (privateData);

    instance->setState (damaged::withPrivateData (edited, privateData.getMemoryBlock()));
    const auto written = instance->getState();
    EXPECT_TRUE ((bool) privateDataOf (written).getProperty ("Bypass", false));
    EXPECT_EQ (xmlOf (written)->toString(), xmlOf (edited)->toString());
}

// Private data built to exhaust the reader: counts far beyond the bytes present and nesting
// deep enough to overflow the stack. Each must be read quickly and leave the plug-in's blob
// restored.
TEST_F (DamagedState, HostilePrivateDataIsBounded)
{
    const auto compressedInt = [] (juce::MemoryOutputStream& out, int value) { out.writeCompressedInt (value); };

    struct Case
    {
        const char* name;
        std::function<void (juce::MemoryOutputStream&)> write;
    };
    const Case cases[] = {
        { "two billion properties", [&] (auto& out) { out.writeString ("JUCEPrivateData"); compressedInt (out, 0x7fffffff); } },
        { "two billion children", [&] (auto& out) { out.writeString ("JUCEPrivateData"); compressedInt (out, 0); compressedInt (out, 0x7fffffff); } },
        { "a 2 GB binary value", [&] (auto& out) { out.writeString ("JUCEPrivateData"); compressedInt (out, 1); out.writeString ("Bypass"); compressedInt (out, 0x7fffffff); out.writeByte (6); out.writeInt (0); } },
        { "an array of two billion values", [&] (auto& out) { out.writeString ("JUCEPrivateData"); compressedInt (out, 1); out.writeString ("Bypass"); compressedInt (out, 5); out.writeByte (7); compressedInt (out, 0x7fffffff); } },
        { "children nested 200000 deep", [&] (auto& out) { for (int i = 0; i < 200000; ++i) { out.writeString ("n"); compressedInt (out, 0); compressedInt (out, 1); } } },
        { "arrays nested 200000 deep", [&] (auto& out) { out.writeString ("JUCEPrivateData"); compressedInt (out, 1); out.writeString ("Bypass"); for (int i = 0; i < 200000; ++i) { compressedInt (out, 5); out.writeByte (7); compressedInt (out, 1); } } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::MemoryOutputStream privateData;
        c.write (privateData);
        instance->setState (defaults);
        instance->setState (damaged::withPrivateData (edited, privateData.getMemoryBlock()));
        const auto written = instance->getState();
        EXPECT_EQ (xmlOf (written)->toString(), xmlOf (edited)->toString());
        EXPECT_TRUE (processesFiniteAudio());
    }
}
