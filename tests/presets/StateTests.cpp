#include <gtest/gtest.h>

#include "support/ProcessorHelpers.h"

#include <cstring>

namespace
{
const char* ids[] = { "power", "mode", "attack", "sustain", "sensitivity", "focus", "punch", "clip", "mix", "output" };
const float edited[] = { 0, 2, -7.25f, 11.5f, 3.33f, 0, 99.99f, 0.01f, 42, -11.11f };

juce::MemoryBlock saveState (KravellAudioProcessor& processor)
{
    juce::MemoryBlock blob;
    processor.getStateInformation (blob);
    return blob;
}

void restore (KravellAudioProcessor& processor, const juce::MemoryBlock& blob)
{
    processor.setStateInformation (blob.getData(), (int) blob.getSize());
}

std::vector<float> valuesOf (KravellAudioProcessor& processor)
{
    std::vector<float> values;
    for (auto* id : ids)
        values.push_back (getPlain (processor, id));
    return values;
}

/** A blob in the framework's binary XML format, with a chosen header. */
juce::MemoryBlock blobOf (const juce::String& xml, juce::uint32 magic = 0x21324356, juce::int64 declaredLength = -1)
{
    juce::MemoryOutputStream out;
    out.writeInt ((int) magic);
    const auto utf8 = xml.toUTF8();
    const auto length = (int) std::strlen (utf8.getAddress());
    out.writeInt ((int) (declaredLength >= 0 ? declaredLength : length));
    out.write (utf8.getAddress(), (size_t) length);
    out.writeByte (0);
    return out.getMemoryBlock();
}
} // namespace

TEST (State, FreshInstanceSavesDefaultsAndThePresetMarks)
{
    KravellAudioProcessor processor;
    const auto blob = saveState (processor);
    auto xml = juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getTagName(), "PARAMETERS");
    EXPECT_EQ (xml->getStringAttribute ("uiCurrentPresetName"), "Presets");
    EXPECT_EQ (xml->getStringAttribute ("uiCurrentPresetIsUser"), "0");
    EXPECT_EQ (xml->getStringAttribute ("uiCurrentPresetModified"), "0");
    EXPECT_EQ (xml->getNumChildElements(), 10);
    EXPECT_EQ (juce::String ((const char*) blob.getData(), 4), "VC2!");
}

TEST (State, SaveRestoreSaveIsExact)
{
    KravellAudioProcessor source;
    for (int i = 0; i < 10; ++i)
        setPlain (source, ids[i], edited[i]);
    const auto first = saveState (source);

    KravellAudioProcessor target;
    restore (target, first);
    EXPECT_EQ (valuesOf (target), valuesOf (source));
    EXPECT_EQ (saveState (target), first);
    EXPECT_EQ (target.getPresetDisplayName(), "Presets *"); // the edits were recorded, and kept
}

TEST (State, ARecalledStatePlaysBitForBitAsBeforeSaving)
{
    // A project saved after choosing a preset, or after edits, and opened again, must sound
    // exactly as it did: the framework's own plain copy of a value depends on the order of
    // past changes (a value within a rounding step of the one it holds is not taken), which
    // put "Bass Knock"'s Punch and Output a rounding step off after a recall.
    const auto render = [] (KravellAudioProcessor& processor)
    {
        processor.prepareToPlay (48000.0, 256);
        juce::AudioBuffer<float> audio (2, 256 * 40);
        juce::Random random (7);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < audio.getNumSamples(); ++i)
                audio.setSample (c, i, (i % 4800 < 200 ? 0.9f : 0.05f) * (random.nextFloat() - 0.5f));
        juce::MidiBuffer midi;
        for (int start = 0; start < audio.getNumSamples(); start += 256)
        {
            juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), 2, start, 256);
            processor.processBlock (block, midi);
        }
        return audio;
    };
    for (const auto& settings : { juce::String ("Bass Knock"), juce::String ("Punchy Kicks"), juce::String ("edited") })
    {
        SCOPED_TRACE (settings);
        KravellAudioProcessor source;
        if (settings == "edited")
            for (int i = 0; i < 10; ++i)
                setPlain (source, ids[i], edited[i]);
        else
            source.loadFactoryPreset (settings);
        KravellAudioProcessor recalled;
        restore (recalled, saveState (source));

        const auto before = render (source), after = render (recalled);
        EXPECT_EQ (std::memcmp (before.getReadPointer (0), after.getReadPointer (0), sizeof (float) * (size_t) before.getNumSamples()), 0);
        EXPECT_EQ (std::memcmp (before.getReadPointer (1), after.getReadPointer (1), sizeof (float) * (size_t) before.getNumSamples()), 0);
    }
}

TEST (State, EditedUserPresetComesBackWithItsMarks)
{
    KravellAudioProcessor source;
    source.setCurrentPresetInfo ("Snare Layer", true, false);
    setPlain (source, "attack", 9.0f);
    const auto blob = saveState (source);

    KravellAudioProcessor target;
    restore (target, blob);
    EXPECT_EQ (target.getCurrentPresetName(), "Snare Layer");
    EXPECT_TRUE (target.isCurrentPresetUser());
    EXPECT_TRUE (target.isCurrentPresetModified());
    EXPECT_EQ (target.getPresetDisplayName(), "Snare Layer *");
}

TEST (State, OlderAndOddBlobsRestoreWhatTheyHold)
{
    struct Case
    {
        const char* label;
        juce::String xml;
        const char* name;
        float attack;
    };
    const Case cases[] = {
        { "no preset attributes", "<PARAMETERS><PARAM id=\"attack\" value=\"-3\"/></PARAMETERS>", "Presets", -3.0f },
        { "empty name", "<PARAMETERS uiCurrentPresetName=\"\"><PARAM id=\"attack\" value=\"1.5\"/></PARAMETERS>", "Presets", 1.5f },
        { "foreign root", "<OTHER uiCurrentPresetName=\"X\"><PARAM id=\"attack\" value=\"2\"/></OTHER>", "X", 2.0f },
        { "unknown and missing params", "<PARAMETERS><PARAM id=\"bogus\" value=\"2\"/></PARAMETERS>", "Presets", 6.0f },
        { "out of range", "<PARAMETERS><PARAM id=\"attack\" value=\"400\"/></PARAMETERS>", "Presets", 12.0f },
        { "not a number", "<PARAMETERS><PARAM id=\"attack\" value=\"loud\"/></PARAMETERS>", "Presets", 0.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        KravellAudioProcessor processor;
        setPlain (processor, "attack", 6.0f);
        processor.setCurrentPresetInfo ("Old", true, true);
        restore (processor, blobOf (c.xml));
        EXPECT_FLOAT_EQ (getPlain (processor, "attack"), c.attack);
        EXPECT_EQ (processor.getCurrentPresetName(), c.name);
        EXPECT_FALSE (processor.isCurrentPresetModified());
    }
}

// Damaged project text must not leave the live state saying something other than what the
// parameters hold: the next save would write it, and the project after that would differ.
TEST (State, DamagedChildrenSaveWhatTheParametersHold)
{
    struct Case
    {
        const char* label;
        juce::String xml;
        const char* id;
        float expected;
        const char* name;
    };
    const Case cases[] = {
        { "repeated value attribute", "<PARAMETERS><PARAM id=\"sensitivity\" value=\"8\" value=\"-6.25\"/></PARAMETERS>", "sensitivity", 8.0f, "Presets" },
        { "no value", "<PARAMETERS><PARAM id=\"attack\"/></PARAMETERS>", "attack", 6.0f, "Presets" },
        { "damaged tag", "<PARAMETERS><PARAX id=\"attack\" value=\"3\"/></PARAMETERS>", "attack", 3.0f, "Presets" },
        { "repeated parameter", "<PARAMETERS><PARAM id=\"attack\" value=\"3\"/><PARAM id=\"attack\" value=\"9\"/></PARAMETERS>", "attack", 3.0f, "Presets" },
        { "below the range", "<PARAMETERS><PARAM id=\"sensitivity\" value=\"-6.25\"/></PARAMETERS>", "sensitivity", 0.0f, "Presets" },
        { "between two choices", "<PARAMETERS><PARAM id=\"mode\" value=\"1.7\"/></PARAMETERS>", "mode", 2.0f, "Presets" },
        { "repeated root attribute", "<PARAMETERS uiCurrentPresetName=\"A\" uiCurrentPresetName=\"B\"/>", "attack", 6.0f, "A" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        KravellAudioProcessor processor;
        setPlain (processor, "attack", 6.0f);
        restore (processor, blobOf (c.xml));
        EXPECT_FLOAT_EQ (getPlain (processor, c.id), c.expected);
        EXPECT_EQ (processor.getCurrentPresetName(), c.name);

        const auto saved = saveState (processor);
        const auto xml = juce::AudioProcessor::getXmlFromBinary (saved.getData(), (int) saved.getSize());
        ASSERT_NE (xml, nullptr);
        EXPECT_EQ (xml->getStringAttribute ("uiCurrentPresetName"), c.name);
        for (auto* id : ids)
        {
            const auto* param = xml->getChildByAttribute ("id", id);
            ASSERT_NE (param, nullptr) << id;
            EXPECT_EQ (param->getTagName(), "PARAM") << id;
            EXPECT_FLOAT_EQ ((float) param->getDoubleAttribute ("value"), getPlain (processor, id)) << id;
        }

        KravellAudioProcessor again;
        restore (again, saved);
        EXPECT_EQ (saveState (again), saved);
    }
}

TEST (State, ALengthBeyondTheDataUsesTheBytesPresent)
{
    KravellAudioProcessor processor;
    restore (processor, blobOf ("<PARAMETERS><PARAM id=\"mix\" value=\"25\"/></PARAMETERS>", 0x21324356, 100000));
    EXPECT_FLOAT_EQ (getPlain (processor, "mix"), 25.0f);
}

TEST (State, BadBlobsChangeNothing)
{
    const auto valid = blobOf ("<PARAMETERS uiCurrentPresetName=\"Z\"><PARAM id=\"attack\" value=\"-9\"/></PARAMETERS>");
    std::vector<juce::MemoryBlock> bad;
    for (size_t size = 0; size <= 8; ++size)
        bad.emplace_back (valid.getData(), size);
    bad.push_back (blobOf ("<PARAMETERS><PARAM id=\"attack\" value=\"-9\"/></PARAMETERS>", 0x12345678));
    bad.push_back (blobOf ("<PARAMETERS><PARAM id=\"attack\" value=\"-9\"/></PARAMETERS>", 0x21324356, 0));
    bad.push_back (blobOf ("<PARAMETERS><PARAM id=\"attack\" value=\"-9\"/></PARAMETERS>", 0x21324356, 0x80000010));
    bad.push_back (blobOf ("not xml at all"));
    bad.push_back (blobOf ("<PARAMETERS><PARAM id=\"attack\" value=\"-9\"/>"));
    bad.push_back (blobOf ("<?xml version=\"1.0\"?>"));
    // Text that is not UTF-8, here a multi-byte sequence cut short at the end.
    auto truncated = blobOf ("<PARAMETERS><PARAM id=\"attack\" value=\"-9\"/></PARAMETERS>x");
    static_cast<char*> (truncated.getData())[truncated.getSize() - 2] = (char) 0xf0;
    bad.push_back (truncated);

    for (size_t i = 0; i < bad.size(); ++i)
    {
        KravellAudioProcessor processor;
        setPlain (processor, "attack", 3.0f);
        processor.setCurrentPresetInfo ("Kept", true, true);
        restore (processor, bad[i]);
        EXPECT_FLOAT_EQ (getPlain (processor, "attack"), 3.0f) << "case " << i;
        EXPECT_EQ (processor.getPresetDisplayName(), "Kept *") << "case " << i;
    }

    KravellAudioProcessor processor;
    processor.setStateInformation (nullptr, 0);
    processor.setStateInformation (nullptr, -5);
    EXPECT_FLOAT_EQ (getPlain (processor, "attack"), 5.0f);
}

namespace
{
/** Takes the framework's log while installed: its debug assertions about malformed text are
    expected when garbage is parsed on purpose, and are counted instead of printed. */
struct QuietFrameworkLog final : juce::Logger
{
    QuietFrameworkLog() { juce::Logger::setCurrentLogger (this); }
    ~QuietFrameworkLog() override { juce::Logger::setCurrentLogger (nullptr); }
    void logMessage (const juce::String&) override { ++messages; }
    int messages = 0;
};
} // namespace

TEST (State, FuzzedBlobsNeverBreakTheProcessor)
{
    QuietFrameworkLog quiet;
    KravellAudioProcessor source;
    for (int i = 0; i < 10; ++i)
        setPlain (source, ids[i], edited[i]);
    source.setCurrentPresetInfo ("Fuzz", true, true);
    const auto valid = saveState (source);

    KravellAudioProcessor processor;
    processor.prepareToPlay (48000.0, 64);
    juce::AudioBuffer<float> buffer (2, 64);
    juce::MidiBuffer midi;
    juce::Random random (20261210);
    auto* bytes = static_cast<const juce::uint8*> (valid.getData());

    for (int iteration = 0; iteration < 100000; ++iteration)
    {
        juce::MemoryBlock mutated (bytes, valid.getSize());
        auto* data = static_cast<juce::uint8*> (mutated.getData());
        const auto edits = 1 + random.nextInt (4);
        for (int e = 0; e < edits; ++e)
        {
            const auto at = (size_t) random.nextInt ((int) mutated.getSize());
            switch (random.nextInt (4))
            {
                case 0: data[at] = (juce::uint8) random.nextInt (256); break;
                case 1: data[at] ^= (juce::uint8) (1 << random.nextInt (8)); break;
                case 2: mutated.setSize (at, false); break;
                default: data[at] = (juce::uint8) "<>\"=/ 0-9e."[random.nextInt (11)]; break;
            }
            if (mutated.getSize() == 0)
                break;
            data = static_cast<juce::uint8*> (mutated.getData());
        }

        processor.setStateInformation (mutated.getData(), (int) mutated.getSize());

        if (iteration % 1000 == 0)
        {
            for (auto* parameter : processor.getParameters())
            {
                const auto value = parameter->getValue();
                ASSERT_TRUE (value >= 0.0f && value <= 1.0f) << "iteration " << iteration;
            }
            buffer.clear();
            buffer.setSample (0, 3, 0.5f);
            processor.processBlock (buffer, midi);
            ASSERT_TRUE (std::isfinite (buffer.getSample (0, 3)));
        }
    }

    // Still saves and restores exactly afterwards.
    restore (processor, valid);
    EXPECT_EQ (saveState (processor), valid);
}
