// kravell-shots: renders the manual's pictures from the real editor, in this process, on the
// current X display. The editor is given the size it opens at on a 1920 x 1080 screen,
// whatever the display, so the pictures do not depend on where they are made.

#include <iostream>

#include "gui/shell/PluginEditor.h"
#include "processor/ParameterLayout.h"
#include "render/DrumLoop.h"
#include "shots/EditorPictures.h"
#include "support/MessagePump.h"

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

const char* const usage =
    "usage: kravell-shots [--editor-only] OUTDIR\n"
    "       kravell-shots --vst3-snapshots CLASSID OUTDIR\n"
    "  Writes the manual's pictures of the editor into OUTDIR as PNG files:\n"
    "  editor.png, preset-menu.png, save-dialog.png, display-attack.png,\n"
    "  display-sustain.png and display-clip.png. Needs an X display.\n"
    "  --editor-only    write editor.png alone (the README's picture)\n"
    "  --vst3-snapshots CLASSID  write the pictures hosts' plug-in browsers show of the\n"
    "                   VST3, CLASSID_snapshot.png and CLASSID_snapshot_2.0x.png: the editor\n"
    "                   as it opens on a 1280 x 720 screen, at scale 1 and 2\n";

/** The plain values of the nine stored parameters, in the order the table below lists them. */
struct Settings
{
    float mode, attack, sustain, sensitivity, focus, punch, clip, mix, output;
};

/** A picture of the panel at settings that show one control's effect. */
struct DisplayPicture
{
    const char* fileName;
    Settings settings;
};

// Modes and focus as choice indices; attack, sustain and output in dB; the rest in percent.
const DisplayPicture displayPictures[] = {
    { "display-attack.png", { 0, 10.0f, 0.0f, 70, 1, 40, 0, 100, 0.0f } }, // a hard transient
    { "display-sustain.png", { 2, 0.0f, 12.0f, 60, 1, 0, 0, 100, 0.0f } }, // a long sustain
    { "display-clip.png", { 1, 6.0f, 2.0f, 60, 1, 60, 95, 100, -2.0f } }, // heavy clip
};

void setPlain (KravellAudioProcessor& processor, const char* id, float plainValue)
{
    auto* parameter = processor.parameterState.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (plainValue));
}

void apply (KravellAudioProcessor& processor, const Settings& s)
{
    const std::pair<const char*, float> values[] = {
        { ParameterIds::power, 1.0f },
        { ParameterIds::mode, s.mode },
        { ParameterIds::attack, s.attack },
        { ParameterIds::sustain, s.sustain },
        { ParameterIds::sensitivity, s.sensitivity },
        { ParameterIds::focus, s.focus },
        { ParameterIds::punch, s.punch },
        { ParameterIds::clip, s.clip },
        { ParameterIds::mix, s.mix },
        { ParameterIds::output, s.output },
    };
    for (auto [id, value] : values)
        setPlain (processor, id, value);
}

/** Plays the drum loop through the processor from its start up to just after the hit on the
    fourth beat (kick and snare), so the meters show a loud moment, the same one every run. */
void playDrums (KravellAudioProcessor& processor)
{
    const auto loop = makeDrumLoop (sampleRate, 2.0);
    processor.prepareToPlay (sampleRate, blockSize);
    juce::AudioBuffer<float> block (2, blockSize);
    juce::MidiBuffer midi;
    const auto end = (int) (1.5 * sampleRate) + 2 * blockSize;
    for (int start = 0; start + blockSize <= end; start += blockSize)
    {
        for (int channel = 0; channel < 2; ++channel)
            block.copyFrom (channel, 0, loop, channel, start, blockSize);
        processor.processBlock (block, midi);
    }
}

/** Moves the mouse pointer to the screen's far corner, away from every window, so no button
    or menu item is drawn as hovered. */
void parkMousePointer()
{
    const auto screen = juce::Desktop::getInstance().getDisplays().getTotalBounds (true);
    juce::Desktop::getInstance().getMainMouseSource().setScreenPosition (screen.getBottomRight().toFloat() - juce::Point<float> (1.0f, 1.0f));
}

/** The processor and its editor, with user presets in a folder of their own (none of the
    user's own presets shows in a picture) and the opening size of a 1920 x 1080 screen. */
struct Session
{
    explicit Session (const juce::File& presetRoot)
    {
        processor.getPresetFileStore().setApplicationDataRoot (presetRoot);
        editor = std::make_unique<KravellAudioProcessorEditor> (processor);
        const auto opening = EditorSizing::forUsableArea ({ 0, 0, 1920, 1080 });
        editor->setSize (opening.width, opening.height);
    }

    ~Session()
    {
        juce::PopupMenu::dismissAllActiveMenus();
        while (auto* modal = juce::Component::getCurrentlyModalComponent())
        {
            modal->exitModalState (0);
            pumpMessages (20);
        }
        editor.reset();
    }

    KravellAudioProcessor processor;
    std::unique_ptr<KravellAudioProcessorEditor> editor;
};

class Shots
{
public:
    Shots (const juce::File& outputFolder, const juce::File& presetRoot) :
        folder (outputFolder), session (presetRoot) { }

    bool writeEditor()
    {
        auto& processor = session.processor;
        processor.loadFactoryPreset ("Punchy Kicks");
        playDrums (processor);
        auto& editor = *session.editor;
        return write (editorpictures::settledSnapshot (editor, editor.getLocalBounds(), 150, 3000), "editor.png");
    }

    bool writeVst3Snapshots (const juce::String& classId)
    {
        auto& processor = session.processor;
        processor.loadFactoryPreset ("Punchy Kicks");
        playDrums (processor);
        auto& editor = *session.editor;
        const auto size = EditorSizing::forUsableArea ({ 0, 0, 1280, 720 });
        editor.setSize (size.width, size.height);
        return write (editorpictures::settledSnapshot (editor, editor.getLocalBounds(), 150, 3000, 1.0f), (classId + "_snapshot.png").toRawUTF8())
            && write (editorpictures::settledSnapshot (editor, editor.getLocalBounds(), 150, 3000, 2.0f), (classId + "_snapshot_2.0x.png").toRawUTF8());
    }

    bool writeDisplays()
    {
        auto& processor = session.processor;
        auto& panel = session.editor->getPanel();
        for (const auto& picture : displayPictures)
        {
            apply (processor, picture.settings);
            playDrums (processor);

            // The knobs with their read-outs, the display and the meters: the panel without
            // its title.
            const auto area = panel.getLeftColumn()
                                  .getUnion (panel.getDisplayFrame())
                                  .getUnion (panel.getKnobStrip())
                                  .getUnion (panel.getRightColumn())
                                  .expanded (10.0f)
                                  .getSmallestIntegerContainer()
                                  .getIntersection (panel.getLocalBounds());
            if (! write (editorpictures::settledSnapshot (panel, area, 150, 3000), picture.fileName))
                return false;
        }
        return true;
    }

    bool writePresetMenuAndSaveDialog()
    {
        auto& processor = session.processor;
        auto& editor = *session.editor;

        // Two user presets, so the menu shows both of its sections; then a factory preset is
        // the current one, as the menu ticks it.
        processor.loadFactoryPreset ("Loop Tightener");
        if (! processor.saveUserPreset ("Big Room Kick") || ! processor.saveUserPreset ("Snare Crack"))
            return fail ("could not save the example user presets");
        processor.loadFactoryPreset ("Snare Snap");
        playDrums (processor);

        editor.setTopLeftPosition (40, 40);
        editor.addToDesktop (juce::ComponentPeer::windowHasTitleBar);
        editor.setVisible (true);
        editor.toFront (true); // a menu closes when its process does not have the foreground
        parkMousePointer();
        editorpictures::settledSnapshot (editor, editor.getLocalBounds(), 150, 3000);

        auto& desktop = juce::Desktop::getInstance();
        const auto windowsBefore = desktop.getNumComponents();
        editor.getMenuBar().showPresetMenu();
        if (! pumpMessagesUntil ([&]
                                 { return desktop.getNumComponents() > windowsBefore; },
                                 5000))
            return fail ("the preset menu did not open");
        if (! write (settledComposite(), "preset-menu.png"))
            return false;
        juce::PopupMenu::dismissAllActiveMenus();
        pumpMessagesUntil ([&]
                           { return desktop.getNumComponents() == windowsBefore; },
                           5000);

        editor.getMenuBar().showSavePresetDialog();
        if (! pumpMessagesUntil ([]
                                 { return dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent()) != nullptr; },
                                 5000))
            return fail ("the save dialog did not open");

        // The name field takes the keyboard once the window system hands it to the dialog's
        // window: that is waited for, so the picture shows the dialog as a user meets it, and
        // the caret, which blinks, is hidden, so two renders agree.
        auto* dialog = dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
        juce::Component::SafePointer<juce::TextEditor> field (dialog->getTextEditor ("presetName"));
        pumpMessagesUntil ([field]
                           { return field == nullptr || field->hasKeyboardFocus (false); },
                           2500);
        if (field != nullptr)
            field->setCaretVisible (false);
        return write (settledComposite(), "save-dialog.png");
    }

private:
    juce::File folder;
    Session session;

    /** The editor with what lies over it, once two composites running agree. */
    juce::Image settledComposite()
    {
        auto previous = editorpictures::compositeOver (*session.editor);
        for (int attempt = 0; attempt < 20; ++attempt)
        {
            pumpMessages (150);
            auto now = editorpictures::compositeOver (*session.editor);
            if (editorpictures::samePixels (previous, now))
                break;
            previous = now;
        }
        return previous;
    }

    bool write (const juce::Image& image, const char* name)
    {
        const auto file = folder.getChildFile (name);
        if (! editorpictures::writePng (image, file))
            return fail ("could not write " + file.getFullPathName());
        std::cout << "Wrote " << file.getFullPathName() << " (" << image.getWidth() << " x " << image.getHeight() << ")\n";
        return true;
    }

    static bool fail (const juce::String& message)
    {
        std::cerr << "kravell-shots: " << message << "\n";
        return false;
    }
};

int run (const juce::StringArray& arguments)
{
    auto editorOnly = false;
    juce::String outputPath, snapshotClassId;
    for (int i = 0; i < arguments.size(); ++i)
    {
        const auto& argument = arguments[i];
        if (argument == "--editor-only")
            editorOnly = true;
        else if (argument == "--vst3-snapshots" && i + 1 < arguments.size() && arguments[i + 1].length() == 32
                 && arguments[i + 1].containsOnly ("0123456789ABCDEF"))
            snapshotClassId = arguments[++i];
        else if (argument.startsWith ("-") || outputPath.isNotEmpty())
        {
            std::cerr << usage;
            return 2;
        }
        else
            outputPath = argument;
    }
    if (outputPath.isEmpty())
    {
        std::cerr << usage;
        return 2;
    }
    if (juce::Desktop::getInstance().getDisplays().displays.isEmpty())
    {
        std::cerr << "kravell-shots: no display (set DISPLAY to an X server)\n";
        return 1;
    }

    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (outputPath);
    if (! folder.createDirectory())
    {
        std::cerr << "kravell-shots: cannot create " << folder.getFullPathName() << "\n";
        return 1;
    }

    const auto presetRoot = juce::File::createTempFile ("kravell-shots");
    presetRoot.createDirectory();
    auto ok = false;
    {
        // Each group of pictures gets a fresh processor and editor, as a host would open them.
        if (snapshotClassId.isNotEmpty())
            ok = Shots (folder, presetRoot).writeVst3Snapshots (snapshotClassId);
        else
            ok = Shots (folder, presetRoot).writeEditor();
        if (ok && ! editorOnly && snapshotClassId.isEmpty())
            ok = Shots (folder, presetRoot).writeDisplays() && Shots (folder, presetRoot).writePresetMenuAndSaveDialog();
    }
    presetRoot.deleteRecursively();
    return ok ? 0 : 1;
}
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    juce::StringArray arguments;
    for (int i = 1; i < argc; ++i)
        arguments.add (juce::String::fromUTF8 (argv[i]));
    return run (arguments);
}
