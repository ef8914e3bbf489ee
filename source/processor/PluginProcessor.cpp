#include "processor/PluginProcessor.h"
#include "presets/FactoryPresets.h"
#include "processor/ParameterLayout.h"
#include "platform/XmlText.h"
#include "gui/shell/PluginEditor.h"

#include <charconv>

namespace
{
/** A stored number, read the way it was written: locale-independent, like the framework's own
    parser but without its overflow (undefined behaviour) on absurd exponents. Unreadable text
    counts as 0, as the framework's does; a value out of the double range or NaN is refused. */
bool readStoredNumber (const juce::var& stored, double& result)
{
    if (! stored.isString())
    {
        result = (double) stored;
        return ! std::isnan (result);
    }

    const auto text = stored.toString().trim().toStdString();
    const auto* begin = text.data();
    const auto* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;

    result = 0.0;
    const auto parsed = std::from_chars (begin, end, result);
    if (parsed.ec == std::errc::result_out_of_range)
        return false;
    if (parsed.ec != std::errc())
        result = 0.0;
    return ! std::isnan (result);
}

bool readStoredFlag (const juce::ValueTree& tree, const juce::Identifier& name)
{
    const auto text = tree.getProperty (name).toString().trim();
    return std::strtoll (text.toRawUTF8(), nullptr, 10) != 0 || text.equalsIgnoreCase ("true");
}
} // namespace

KravellAudioProcessor::KravellAudioProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      parameterState (*this, nullptr, "PARAMETERS", createParameterLayout())
{
    for (int i = 0; i < 10; ++i)
    {
        raw.values[i] = parameterState.getRawParameterValue (ParameterIds::all[i]);
        auto* parameter = parameterState.getParameter (ParameterIds::all[i]);
        jassert (parameter->getParameterIndex() == i);
        valueCopies.parameters[i] = parameter;
        audio.parameters[i] = parameter->convertFrom0to1 (parameter->getValue());
        parameter->addListener (&valueCopies);
    }

    for (auto* id : ParameterIds::all)
        parameterState.addParameterListener (id, this);

    presetFileStore.setProductInfo (productInfo);
    // The first instance of a new version brings the user's presets over from the last one.
    presetFileStore.copyPresetsFromOlderVersions();
}

KravellAudioProcessor::~KravellAudioProcessor()
{
    for (auto* id : ParameterIds::all)
    {
        parameterState.removeParameterListener (id, this);
        parameterState.getParameter (id)->removeListener (&valueCopies);
    }
}

//==============================================================================
const juce::String KravellAudioProcessor::getName() const { return "Kravell"; }

void KravellAudioProcessor::prepareToPlay (double sampleRate, int)
{
    prepareEngine (audio.engine, sampleRate, readControlValues());
}

ControlValues KravellAudioProcessor::readControlValues() noexcept
{
    ControlValues values;
    values.attack = audio.get (RawParameters::attack);
    values.sustain = audio.get (RawParameters::sustain);
    values.sensitivity = audio.get (RawParameters::sensitivity) * 0.01f;
    values.punch = audio.get (RawParameters::punch) * 0.01f;
    values.clip = audio.get (RawParameters::clip) * 0.01f;
    values.mix = audio.get (RawParameters::mix) * 0.01f;
    if (const auto decibels = audio.get (RawParameters::output); ! juce::exactlyEqual (decibels, audio.outputDecibels))
    {
        audio.outputDecibels = decibels;
        audio.outputGain = juce::Decibels::decibelsToGain (decibels);
    }
    values.outputGain = audio.outputGain;
    values.power = isPowerOn() ? 1.0f : 0.0f;
    values.modeIndex = getModeIndex();
    values.focusIndex = getFocusIndex();
    return values;
}

void KravellAudioProcessor::releaseResources() {}

bool KravellAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto& output = layouts.getMainOutputChannelSet();
    if (output != juce::AudioChannelSet::mono() && output != juce::AudioChannelSet::stereo())
        return false;
    return layouts.getMainInputChannelSet() == output;
}

void KravellAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;
    const auto numInputs = getTotalNumInputChannels();
    for (auto channel = numInputs; channel < getTotalNumOutputChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());

    const auto numChannels = std::min ({ numInputs, buffer.getNumChannels(), 2 });
    const auto peaks = processEngineBlock (audio.engine, buffer.getArrayOfWritePointers(), numChannels, buffer.getNumSamples(), readControlValues());

    publishMeters (audio.inputMeter, peaks.input);
    publishMeters (audio.outputMeter, peaks.output);
}

double KravellAudioProcessor::getTailLengthSeconds() const { return 0.08; }
bool KravellAudioProcessor::acceptsMidi() const { return false; }
bool KravellAudioProcessor::producesMidi() const { return false; }
bool KravellAudioProcessor::isMidiEffect() const { return false; }

juce::AudioProcessorEditor* KravellAudioProcessor::createEditor()
{
    return new KravellAudioProcessorEditor (*this);
}

bool KravellAudioProcessor::hasEditor() const { return true; }

// One program, which the VST3 wrapper publishes: it needs a name, or validators reject it.
int KravellAudioProcessor::getNumPrograms() { return 1; }
int KravellAudioProcessor::getCurrentProgram() { return 0; }
void KravellAudioProcessor::setCurrentProgram (int) {}
const juce::String KravellAudioProcessor::getProgramName (int index) { return index == 0 ? "Default" : juce::String(); }
void KravellAudioProcessor::changeProgramName (int, const juce::String&) {}

//==============================================================================
namespace StateAttributes
{
static const juce::Identifier presetName { "uiCurrentPresetName" };
static const juce::Identifier presetIsUser { "uiCurrentPresetIsUser" };
static const juce::Identifier presetModified { "uiCurrentPresetModified" };
} // namespace StateAttributes

void KravellAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    auto state = parameterState.copyState();

    {
        const juce::ScopedLock lock (presetInfoLock);
        state.setProperty (StateAttributes::presetName, currentPresetName, nullptr);
        state.setProperty (StateAttributes::presetIsUser, currentPresetIsUser, nullptr);
    }

    state.setProperty (StateAttributes::presetModified, currentPresetModified.load(), nullptr);

    if (auto xml = state.createXml())
        copyXmlToBinary (*xml, destData);
}

void KravellAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    // The framework's binary XML layout: magic, little-endian length, UTF-8 text. Its own
    // reader is not safe on corrupt text (see parseXmlFromUtf8), so the header is read here
    // with the same rules: more than 8 bytes, the magic, a positive length, and the smaller
    // of that length and the bytes present.
    if (data == nullptr || sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt (data) != 0x21324356)
        return;

    const auto storedLength = (int) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4));
    if (storedLength <= 0)
        return;

    auto xml = parseXmlFromUtf8 (juce::addBytesToPointer (data, 8), (size_t) std::min (storedLength, sizeInBytes - 8));
    if (xml == nullptr)
        return;

    auto tree = juce::ValueTree::fromXml (*xml);
    if (! tree.isValid())
        return;

    const auto name = tree.getProperty (StateAttributes::presetName, "Presets").toString();
    const auto isUser = readStoredFlag (tree, StateAttributes::presetIsUser);
    const auto modified = readStoredFlag (tree, StateAttributes::presetModified);

    // The parameter writes inside replaceState must not mark the preset as edited.
    restoringState.exchange (true);
    parameterState.replaceState (withMissingParametersKept (tree));
    restoringState.exchange (false);

    setCurrentPresetInfo (name, isUser, modified);
}


juce::ValueTree KravellAudioProcessor::withMissingParametersKept (juce::ValueTree tree) const
{
    // A damaged root may repeat an attribute; the framework reads the first and would save
    // the last, so only the first is kept.
    juce::ValueTree root (tree.getType());
    for (int i = 0; i < tree.getNumProperties(); ++i)
        if (const auto name = tree.getPropertyName (i); ! root.hasProperty (name))
            root.setProperty (name, tree.getProperty (name), nullptr);
    while (tree.getNumChildren() > 0)
    {
        auto child = tree.getChild (0);
        tree.removeChild (0, nullptr);
        root.appendChild (child, nullptr);
    }
    tree = root;

    // Stored values become legal numbers before the framework sees them. Each of our
    // parameters is taken from the first child that carries its ID and a value that is a
    // number at all (not NaN); any other child with one of our IDs (no value, a repeat, a
    // damaged tag) would make the framework reset that parameter to its default and save it
    // without a value, so it is dropped and the parameter counts as missing below. Children
    // with other IDs pass through.
    bool seen[10] {};
    for (int i = 0; i < tree.getNumChildren(); ++i)
    {
        auto child = tree.getChild (i);
        const auto id = child.getProperty ("id").toString();
        const auto index = (int) (std::find_if (std::begin (ParameterIds::all), std::end (ParameterIds::all), [&] (const char* known) { return id == known; }) - std::begin (ParameterIds::all));
        if (index == 10)
            continue;

        double value = 0.0;
        if (seen[index] || ! child.hasProperty ("value") || ! readStoredNumber (child.getProperty ("value"), value))
        {
            tree.removeChild (i--, nullptr);
            continue;
        }

        // Held in the parameter's range, and choices and switches on a whole step, as the
        // parameter will hold it; otherwise the state saved afterwards would not say what the
        // parameter really is.
        const auto range = parameterState.getParameterRange (id);
        value = juce::jlimit ((double) range.start, (double) range.end, value);
        if (range.interval >= 1.0f)
            value = (double) range.snapToLegalValue ((float) value);

        // Made afresh: a damaged child may hold a second "value" attribute, which the
        // framework would keep beside the one it reads and then save in its place.
        seen[index] = true;
        tree.removeChild (i, nullptr);
        tree.addChild ({ "PARAM", { { "id", id }, { "value", value } } }, i, nullptr);
    }

    // The framework resets a parameter that the new tree lacks to its default; a blob from an
    // older build or a hand-made preset should leave such a parameter where it is instead.
    for (int i = 0; i < 10; ++i)
        if (! seen[i])
            tree.appendChild ({ "PARAM", { { "id", juce::String (ParameterIds::all[i]) }, { "value", raw.get ((RawParameters::Index) i) } } }, nullptr);
    return tree;
}

void KravellAudioProcessor::setCurrentPresetInfo (const juce::String& name, bool isUser, bool modified)
{
    {
        const juce::ScopedLock lock (presetInfoLock);
        currentPresetName = name.isEmpty() ? juce::String ("Presets") : name;
        currentPresetIsUser = isUser;
    }

    currentPresetModified.exchange (modified);
}

//==============================================================================
juce::StringArray KravellAudioProcessor::getFactoryPresetNames()
{
    juce::StringArray names;
    for (const auto& preset : getFactoryPresets())
        names.add (preset.name);
    return names;
}

void KravellAudioProcessor::loadFactoryPreset (const juce::String& name)
{
    const auto& preset = findFactoryPreset (name);
    const std::pair<const char*, float> values[] = {
        { ParameterIds::power, 1.0f },
        { ParameterIds::mode, preset.mode },
        { ParameterIds::attack, preset.attack },
        { ParameterIds::sustain, preset.sustain },
        { ParameterIds::sensitivity, preset.sensitivity },
        { ParameterIds::focus, preset.focus },
        { ParameterIds::punch, preset.punch },
        { ParameterIds::clip, preset.clip },
        { ParameterIds::mix, preset.mix },
        { ParameterIds::output, preset.output },
    };

    restoringState.exchange (true);
    for (const auto& [id, value] : values)
        if (auto* parameter = parameterState.getParameter (id))
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    restoringState.exchange (false);

    setCurrentPresetInfo (name, false, false);
}

juce::StringArray KravellAudioProcessor::getUserPresetNames() { return presetFileStore.getPresetNames(); }

bool KravellAudioProcessor::saveUserPreset (const juce::String& name)
{
    if (! presetFileStore.writePreset (name, parameterState.copyState()))
        return false;

    setCurrentPresetInfo (name, true, false);
    return true;
}

bool KravellAudioProcessor::loadUserPreset (const juce::String& name)
{
    juce::ValueTree tree;
    if (! presetFileStore.readPreset (name, tree))
        return false;

    // No block may run with half of the new values.
    suspendProcessing (true);
    restoringState.exchange (true);
    parameterState.replaceState (withMissingParametersKept (tree));
    restoringState.exchange (false);
    setCurrentPresetInfo (name, true, false);
    suspendProcessing (false);
    return true;
}

bool KravellAudioProcessor::deleteUserPreset (const juce::String& name)
{
    const auto file = presetFileStore.getPresetFile (name);
    if (file == juce::File() || ! file.existsAsFile() || ! file.deleteFile())
        return false;

    if (isCurrentPresetUser() && getCurrentPresetName().equalsIgnoreCase (name))
        setCurrentPresetInfo ("Presets", false, false);
    return true;
}

bool KravellAudioProcessor::renameUserPreset (const juce::String& oldName, const juce::String& newName)
{
    const auto source = presetFileStore.getPresetFile (oldName);
    const auto target = presetFileStore.getPresetFile (newName);
    if (source == juce::File() || target == juce::File() || ! source.existsAsFile() || newName.trim().isEmpty() || target.existsAsFile())
        return false;

    if (! source.moveFileTo (target))
        return false;

    if (isCurrentPresetUser() && getCurrentPresetName().equalsIgnoreCase (oldName))
        setCurrentPresetInfo (newName, true, false);
    return true;
}

juce::String KravellAudioProcessor::getCurrentPresetName()
{
    const juce::ScopedLock lock (presetInfoLock);
    return currentPresetName;
}

bool KravellAudioProcessor::isCurrentPresetUser()
{
    const juce::ScopedLock lock (presetInfoLock);
    return currentPresetIsUser;
}

bool KravellAudioProcessor::userPresetFileExists (const juce::String& name)
{
    return presetFileStore.presetFileExists (name);
}

juce::String KravellAudioProcessor::getPresetDisplayName()
{
    const auto modified = currentPresetModified.load();
    auto name = getCurrentPresetName();
    if (name.isEmpty())
        name = "Presets";
    return modified ? name + " *" : name;
}

//==============================================================================
void KravellAudioProcessor::parameterChanged (const juce::String& parameterID, float newValue)
{
    // Runs on whichever thread moved the parameter, the audio thread included: atomics only.
    // The audio thread's copy of the value is kept by valueCopies.
    juce::ignoreUnused (parameterID, newValue);
    if (! restoringState.load())
        currentPresetModified.exchange (true);
}

void KravellAudioProcessor::ValueCopies::parameterValueChanged (int parameterIndex, float newValue)
{
    // Called for every change, on whichever thread made it (the audio thread included):
    // atomics only.
    if (juce::isPositiveAndBelow (parameterIndex, 10))
        owner.audio.parameters[parameterIndex].store (parameters[parameterIndex]->convertFrom0to1 (newValue));
}

bool KravellAudioProcessor::isPowerOn() const noexcept { return audio.get (RawParameters::power) >= 0.5f; }
int KravellAudioProcessor::getModeIndex() const noexcept { return juce::roundToInt (audio.get (RawParameters::mode)); }
int KravellAudioProcessor::getFocusIndex() const noexcept { return juce::roundToInt (audio.get (RawParameters::focus)); }

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new KravellAudioProcessor();
}
