#include "render/RenderCommand.h"
#include "render/DrumLoop.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include "presets/FactoryPresets.h"
#include "processor/ParameterLayout.h"
#include "processor/PluginProcessor.h"

namespace
{
const char* usage =
    "usage: kravell-render [options] INPUT OUTPUT.wav\n"
    "       kravell-render --make-demo OUTPUT.wav\n"
    "Runs INPUT (WAV or AIFF, mono or stereo) through Kravell and writes a WAV file.\n"
    "  --set ID=VALUE        set a parameter by plain value: attack=7.5, mode=Tight, power=off\n"
    "  --preset NAME         apply a factory preset first\n"
    "  --user-preset NAME    apply a user preset first\n"
    "  --block N             block size (default 512)\n"
    "  --keep-format         write the input's sample format (default: 32-bit float)\n"
    "  --make-demo OUTPUT    write the built-in demo drum loop and exit\n"
    "parameters: power mode attack sustain sensitivity focus punch clip mix output\n";

struct Failure
{
    juce::String message;
};

struct Options
{
    juce::File input, output;
    juce::StringArray settings;
    juce::String factoryPreset, userPreset;
    int blockSize = 512;
    bool keepFormat = false;
    juce::File demo;
};

juce::File fileFromArgument (const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

Options parse (const juce::StringArray& args)
{
    Options options;
    juce::StringArray positional;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        auto value = [&]() -> juce::String {
            if (i + 1 >= args.size())
                throw Failure { arg + " needs a value" };
            return args[++i];
        };

        if (arg == "--set")
            options.settings.add (value());
        else if (arg == "--preset")
            options.factoryPreset = value();
        else if (arg == "--user-preset")
            options.userPreset = value();
        else if (arg == "--keep-format")
            options.keepFormat = true;
        else if (arg == "--make-demo")
            options.demo = fileFromArgument (value());
        else if (arg == "--block")
        {
            const auto text = value();
            if (! text.containsOnly ("0123456789") || text.isEmpty() || text.length() > 6 || text.getIntValue() < 1 || text.getIntValue() > 65536)
                throw Failure { "--block must be a whole number from 1 to 65536, not '" + text + "'" };
            options.blockSize = text.getIntValue();
        }
        else if (arg.startsWith ("-") && arg.length() > 1)
            throw Failure { "unknown option '" + arg + "' (see --help)" };
        else
            positional.add (arg);
    }

    if (options.demo != juce::File())
    {
        if (! positional.isEmpty())
            throw Failure { "--make-demo takes only the output file" };
        return options;
    }

    if (positional.size() != 2)
        throw Failure { "expected an input and an output file (see --help)" };

    options.input = fileFromArgument (positional[0]);
    options.output = fileFromArgument (positional[1]);
    return options;
}

/** Parses a float strictly: the whole text must be a number. */
bool parseNumber (const juce::String& text, float& result)
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty())
        return false;
    const auto utf8 = trimmed.toStdString();
    char* end = nullptr;
    const auto value = std::strtod (utf8.c_str(), &end);
    if (end == utf8.c_str() || *end != '\0' || ! std::isfinite (value))
        return false;
    result = (float) value;
    return true;
}

void applySetting (KravellAudioProcessor& processor, const juce::String& setting)
{
    if (! setting.containsChar ('='))
        throw Failure { "--set needs ID=VALUE, not '" + setting + "'" };

    const auto id = setting.upToFirstOccurrenceOf ("=", false, false).trim().toLowerCase();
    const auto text = setting.fromFirstOccurrenceOf ("=", false, false).trim();
    auto* parameter = processor.parameterState.getParameter (id);
    if (parameter == nullptr)
        throw Failure { "unknown parameter '" + id + "' (one of: power mode attack sustain sensitivity focus punch clip mix output)" };

    float plain = 0.0f;
    if (auto* choice = dynamic_cast<juce::AudioParameterChoice*> (parameter))
    {
        const auto index = choice->choices.indexOf (text, true);
        if (index >= 0)
            plain = (float) index;
        else if (! (parseNumber (text, plain) && text.containsOnly ("0123456789") && plain <= (float) (choice->choices.size() - 1)))
            throw Failure { id + " must be one of " + choice->choices.joinIntoString (", ") + " or an index 0 to " + juce::String (choice->choices.size() - 1) + ", not '" + text + "'" };
    }
    else if (dynamic_cast<juce::AudioParameterBool*> (parameter) != nullptr)
    {
        const auto lower = text.toLowerCase();
        if (lower == "on" || lower == "1" || lower == "true")
            plain = 1.0f;
        else if (lower == "off" || lower == "0" || lower == "false")
            plain = 0.0f;
        else
            throw Failure { id + " must be on or off, not '" + text + "'" };
    }
    else
    {
        const auto& range = dynamic_cast<juce::RangedAudioParameter*> (parameter)->getNormalisableRange();
        if (! parseNumber (text, plain))
            throw Failure { id + " must be a number from " + juce::String (range.start) + " to " + juce::String (range.end) + ", not '" + text + "'" };
        if (plain < range.start || plain > range.end)
            throw Failure { id + " " + text + " is out of range: it must be from " + juce::String (range.start) + " to " + juce::String (range.end) };
    }

    auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);
    ranged->setValueNotifyingHost (ranged->convertTo0to1 (plain));
}

/** Applies the requested presets: factory presets by exact name, user presets only when
    asked for as such, so a user file can never shadow a factory name by accident. */
void applyPresets (KravellAudioProcessor& processor, const Options& options)
{
    if (options.factoryPreset.isNotEmpty())
    {
        if (! isFactoryPresetName (options.factoryPreset))
            throw Failure { "unknown factory preset '" + options.factoryPreset + "' (one of: " + processor.getFactoryPresetNames().joinIntoString (", ") + ")" };
        processor.loadFactoryPreset (options.factoryPreset);
    }

    if (options.userPreset.isNotEmpty())
    {
        if (! processor.getPresetFileStore().presetFileExists (options.userPreset))
            throw Failure { "unknown user preset '" + options.userPreset + "' (in " + processor.getPresetFileStore().getPresetsFolder().getFullPathName() + ")" };
        if (! processor.loadUserPreset (options.userPreset))
            throw Failure { "cannot read the user preset '" + options.userPreset + "'" };
    }
}

/** Writes a buffer as WAV through a temporary sibling file, renamed into place at the end. */
void writeWav (const juce::File& destination, const juce::AudioBuffer<float>& audio, double sampleRate, int bitsPerSample)
{
    if (! destination.getParentDirectory().isDirectory())
        throw Failure { "cannot write '" + destination.getFullPathName() + "': its folder does not exist" };
    if (destination.isDirectory())
        throw Failure { "cannot write '" + destination.getFullPathName() + "': it is a folder" };

    juce::TemporaryFile temporary (destination, juce::TemporaryFile::useHiddenFile);
    {
        auto stream = temporary.getFile().createOutputStream();
        if (stream == nullptr)
            throw Failure { "cannot write '" + destination.getFullPathName() + "'" };

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), sampleRate, (unsigned int) audio.getNumChannels(), bitsPerSample, {}, 0));
        if (writer == nullptr)
            throw Failure { "cannot write a " + juce::String (bitsPerSample) + "-bit WAV file at " + juce::String (sampleRate) + " Hz" };
        stream.release(); // the writer owns it now

        if (! writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()) || ! writer->flush())
            throw Failure { "writing '" + destination.getFullPathName() + "' failed" };
    }

    // A short write (disk full) is not always reported by the stream: check the size too.
    const auto dataBytes = (juce::int64) audio.getNumSamples() * audio.getNumChannels() * (bitsPerSample / 8);
    if (temporary.getFile().getSize() < dataBytes)
        throw Failure { "writing '" + destination.getFullPathName() + "' failed: the disk may be full" };

    if (! temporary.overwriteTargetFileWithTemporary())
        throw Failure { "cannot move the result into '" + destination.getFullPathName() + "'" };
}

juce::String decibels (float gain)
{
    return gain > 0.0f ? juce::String (juce::Decibels::gainToDecibels (gain, -200.0f), 2) + " dBFS" : juce::String ("-inf dBFS");
}

float peakOf (const juce::AudioBuffer<float>& audio)
{
    float peak = 0.0f;
    for (int c = 0; c < audio.getNumChannels(); ++c)
        peak = std::max (peak, audio.getMagnitude (c, 0, audio.getNumSamples()));
    return peak;
}

int render (const Options& options, std::ostream& out, std::ostream& err)
{
    if (options.demo != juce::File())
    {
        writeWav (options.demo, makeDrumLoop (48000.0, 8.0), 48000.0, 24);
        out << "Demo drum loop written to " << options.demo.getFullPathName() << "\n";
        return 0;
    }

    const auto sameFile = options.input == options.output
                          || (options.output.exists() && options.input.getLinkedTarget() == options.output.getLinkedTarget());
    if (sameFile)
        throw Failure { "the output must not be the input file" };
    if (! options.input.existsAsFile())
        throw Failure { "cannot read '" + options.input.getFullPathName() + "': no such file" };

    juce::AudioFormatManager formats;
    formats.registerFormat (new juce::WavAudioFormat(), true);
    formats.registerFormat (new juce::AiffAudioFormat(), false);
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (options.input));
    if (reader == nullptr)
        throw Failure { "cannot read '" + options.input.getFullPathName() + "': not a WAV or AIFF file" };
    if (reader->numChannels < 1 || reader->numChannels > 2)
        throw Failure { "'" + options.input.getFileName() + "' has " + juce::String (reader->numChannels) + " channels; Kravell takes mono or stereo" };
    if (reader->sampleRate <= 0.0 || reader->lengthInSamples > std::numeric_limits<int>::max())
        throw Failure { "'" + options.input.getFileName() + "' has an unusable sample rate or length" };

    const auto channels = (int) reader->numChannels;
    const auto length = (int) reader->lengthInSamples;
    juce::AudioBuffer<float> audio (channels, length);
    if (! reader->read (&audio, 0, length, 0, true, channels > 1))
        throw Failure { "cannot read the audio of '" + options.input.getFileName() + "'" };

    KravellAudioProcessor processor;
    const auto set = channels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (set);
    layout.outputBuses.add (set);
    processor.setBusesLayout (layout);

    applyPresets (processor, options);
    for (const auto& setting : options.settings)
        applySetting (processor, setting);

    const auto inputPeak = peakOf (audio);
    processor.setNonRealtime (true);
    processor.prepareToPlay (reader->sampleRate, options.blockSize);

    const auto showProgress = length > reader->sampleRate * 30.0;
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> block (channels, options.blockSize);
    int lastPercent = -1;
    for (int start = 0; start < length; start += options.blockSize)
    {
        const auto n = std::min (options.blockSize, length - start);
        juce::AudioBuffer<float> view (audio.getArrayOfWritePointers(), channels, start, n);
        processor.processBlock (view, midi);

        const auto percent = (int) ((int64_t) (start + n) * 100 / length);
        if (showProgress && percent != lastPercent)
        {
            lastPercent = percent;
            const auto filled = percent / 5;
            err << "\r[" << std::string ((size_t) filled, '#') << std::string ((size_t) (20 - filled), ' ') << "] " << percent << "%" << std::flush;
        }
    }
    if (showProgress)
        err << "\n";
    processor.releaseResources();

    const auto bits = options.keepFormat ? (int) reader->bitsPerSample : 32;
    if (! juce::WavAudioFormat().getPossibleBitDepths().contains (bits))
        throw Failure { "cannot keep the input's " + juce::String (bits) + "-bit format in a WAV file" };
    writeWav (options.output, audio, reader->sampleRate, bits);

    out << "Rendered " << options.input.getFullPathName() << " -> " << options.output.getFullPathName() << "\n"
        << "  " << channels << (channels == 1 ? " channel, " : " channels, ") << reader->sampleRate << " Hz, " << length << " samples, "
        << bits << (bits == 32 ? "-bit float" : "-bit") << "\n"
        << "  input peak " << decibels (inputPeak) << ", output peak " << decibels (peakOf (audio)) << "\n";
    return 0;
}
} // namespace

int runRenderCommand (const juce::StringArray& arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.contains ("--help") || arguments.contains ("-h"))
    {
        out << usage;
        return 0;
    }

    try
    {
        return render (parse (arguments), out, err);
    }
    catch (const Failure& failure)
    {
        err << "kravell-render: " << failure.message << "\n";
        return 1;
    }
}
