#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include "engine/Engine.h"
#include "presets/PresetFileStore.h"
#include "presets/PresettableProcessor.h"
#include "platform/ProductInfo.h"

/** Kravell's processor: the ten parameters, the transient-shaping engine's state, the meter
    feeds and the current-preset information. The host creates one per plug-in instance. */
class KravellAudioProcessor final : public juce::AudioProcessor,
                                    public PresettableProcessor,
                                    public juce::AudioProcessorValueTreeState::Listener
{
public:
    KravellAudioProcessor();
    ~KravellAudioProcessor() override;

    //==============================================================================
    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==============================================================================
    juce::StringArray getFactoryPresetNames() override;
    juce::StringArray getUserPresetNames() override;
    void loadFactoryPreset (const juce::String& name) override;
    bool saveUserPreset (const juce::String& name) override;
    bool loadUserPreset (const juce::String& name) override;
    bool deleteUserPreset (const juce::String& name) override;
    bool renameUserPreset (const juce::String& oldName, const juce::String& newName) override;
    juce::String getCurrentPresetName() override;
    juce::String getPresetDisplayName() override;
    bool isCurrentPresetUser() override;
    bool userPresetFileExists (const juce::String& name) override;

    PresetFileStore& getPresetFileStore() noexcept { return presetFileStore; }

    //==============================================================================
    void parameterChanged (const juce::String& parameterID, float newValue) override;

    bool isPowerOn() const noexcept;
    int getModeIndex() const noexcept;
    int getFocusIndex() const noexcept;

    /** Records the current preset; an empty name becomes "Presets". */
    void setCurrentPresetInfo (const juce::String& name, bool isUser, bool modified);

    bool isCurrentPresetModified() const noexcept { return currentPresetModified.load(); }

    const ProductInfo& getProductInfo() const noexcept { return productInfo; }

    /** The four meter feeds, 0..1 on the meter scale, written once per audio block. */
    float getInputMeter (int channel) const noexcept { return audio.inputMeter[channel].load(); }
    float getOutputMeter (int channel) const noexcept { return audio.outputMeter[channel].load(); }

    juce::AudioProcessorValueTreeState parameterState;

private:
    ControlValues readControlValues() noexcept;
    juce::ValueTree withMissingParametersKept (juce::ValueTree tree) const;

    // The framework's atomic plain values of the parameters, looked up once so no reader
    // searches by ID; in host index order. A missing parameter reads as the fallback.
    struct RawParameters
    {
        enum Index { power, mode, attack, sustain, sensitivity, focus, punch, clip, mix, output };
        std::atomic<float>* values[10] {};
        float get (Index index, float fallback = 0.0f) const noexcept { return values[index] != nullptr ? values[index]->load() : fallback; }
    } raw;

    /** Keeps the audio thread's copy of each parameter's plain value as the parameter gives
        it for its normalised value, at every change. The framework's own plain copy skips a
        change within a rounding step of the value it holds, so it depends on the order of
        past changes: a project or preset recalled through the saved state would play a
        rounding step apart from the same settings chosen in the editor. */
    struct ValueCopies final : public juce::AudioProcessorParameter::Listener
    {
        explicit ValueCopies (KravellAudioProcessor& ownerIn) : owner (ownerIn) {}
        void parameterValueChanged (int parameterIndex, float newValue) override;
        void parameterGestureChanged (int, bool) override {}
        KravellAudioProcessor& owner;
        juce::RangedAudioParameter* parameters[10] {}; // by host index, as the processor orders them
    };

    /** What the audio thread touches on every block, side by side. The parameter values are
        copies of the parameters' own, which live in ten objects of their own, kept by
        valueCopies: a block reads one cache line for them instead of ten, which counts
        once a session holds hundreds of instances. */
    struct alignas (64) AudioThreadState
    {
        std::atomic<float> parameters[10] {};

        /** The output gain of the last "output" value read: the power of ten is worked out
            only when the value moves, not every block. Read and written where the controls
            are read (the audio thread, or before processing starts). */
        float outputDecibels = 0.0f, outputGain = 1.0f;

        EngineState engine;
        std::atomic<float> inputMeter[2] { 0.0f, 0.0f };
        std::atomic<float> outputMeter[2] { 0.0f, 0.0f };

        float get (RawParameters::Index index) const noexcept { return parameters[index].load(); }
    } audio;

    ValueCopies valueCopies { *this };

    PresetFileStore presetFileStore;

    juce::CriticalSection presetInfoLock;
    juce::String currentPresetName { "Presets" };
    bool currentPresetIsUser = false;
    std::atomic<bool> currentPresetModified { false };
    std::atomic<bool> restoringState { false };
    ProductInfo productInfo;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KravellAudioProcessor)
};
