#include "processor/PluginProcessor.h"
#include "processor/ParameterLayout.h"

KravellAudioProcessor::KravellAudioProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      parameterState (*this, nullptr, "PARAMETERS", createParameterLayout())
{
    for (auto* id : ParameterIds::all)
        parameterState.addParameterListener (id, this);
}

KravellAudioProcessor::~KravellAudioProcessor()
{
    for (auto* id : ParameterIds::all)
        parameterState.removeParameterListener (id, this);
}

//==============================================================================
const juce::String KravellAudioProcessor::getName() const { return "Kravell"; }

void KravellAudioProcessor::prepareToPlay (double, int) {}

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
    for (auto channel = getTotalNumInputChannels(); channel < getTotalNumOutputChannels(); ++channel)
        buffer.clear (channel, 0, buffer.getNumSamples());
}

double KravellAudioProcessor::getTailLengthSeconds() const { return 0.08; }
bool KravellAudioProcessor::acceptsMidi() const { return false; }
bool KravellAudioProcessor::producesMidi() const { return false; }
bool KravellAudioProcessor::isMidiEffect() const { return false; }

juce::AudioProcessorEditor* KravellAudioProcessor::createEditor()
{
    return new juce::GenericAudioProcessorEditor (*this);
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
    auto xml = getXmlFromBinary (data, sizeInBytes);
    if (xml == nullptr)
        return;

    auto tree = juce::ValueTree::fromXml (*xml);
    if (! tree.isValid())
        return;

    const auto name = tree.getProperty (StateAttributes::presetName, "Presets").toString();
    const bool isUser = tree.getProperty (StateAttributes::presetIsUser, false);
    const bool modified = tree.getProperty (StateAttributes::presetModified, false);

    // The parameter writes inside replaceState must not mark the preset as edited.
    restoringState.exchange (true);
    parameterState.replaceState (tree);
    restoringState.exchange (false);

    setCurrentPresetInfo (name, isUser, modified);
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
void KravellAudioProcessor::parameterChanged (const juce::String&, float)
{
    // Runs on whichever thread moved the parameter, the audio thread included: atomics only.
    if (! restoringState.load())
        currentPresetModified.exchange (true);
}

float KravellAudioProcessor::readPlainValue (const char* parameterId) const
{
    if (auto* value = parameterState.getRawParameterValue (parameterId))
        return value->load();
    return 0.0f;
}

bool KravellAudioProcessor::isPowerOn() const { return readPlainValue (ParameterIds::power) >= 0.5f; }
int KravellAudioProcessor::getModeIndex() const { return juce::roundToInt (readPlainValue (ParameterIds::mode)); }
int KravellAudioProcessor::getFocusIndex() const { return juce::roundToInt (readPlainValue (ParameterIds::focus)); }

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new KravellAudioProcessor();
}
