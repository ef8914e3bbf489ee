#include "shell/ShellFixture.h"

#include "gui/shell/PluginEditor.h"
#include "shots/EditorPictures.h"

namespace
{
juce::File pictureFolder() { return juce::File (KRAVELL_PICTURE_DIR); }

using editorpictures::compositeOver;

void writePng (const juce::Image& image, const juce::String& name)
{
    const auto file = pictureFolder().getChildFile (name);
    ASSERT_TRUE (editorpictures::writePng (image, file)) << file.getFullPathName();
}

/** The whole editor in a window on the display, presets in a temporary folder. */
struct EditorFixture : ::testing::Test
{
    TempFolder temp;
    KravellAudioProcessor processor;
    std::unique_ptr<KravellAudioProcessorEditor> editor;

    void SetUp() override
    {
        processor.getPresetFileStore().setApplicationDataRoot (temp.folder);
        editor = std::make_unique<KravellAudioProcessorEditor> (processor);
    }

    void TearDown() override
    {
        ShellFixture::closeAllDialogs();
        editor.reset();
    }
};

} // namespace

TEST_F (EditorFixture, SizedFromTheScreenAndLaidOutByRatio)
{
    const auto expected = EditorSizing::forUsableArea (EditorSizing::usableAreaFor ({}));
    EXPECT_EQ (editor->getWidth(), expected.width);
    EXPECT_EQ (editor->getHeight(), expected.height);
    auto* constrainer = editor->getConstrainer();
    ASSERT_NE (constrainer, nullptr);
    EXPECT_NEAR (constrainer->getFixedAspectRatio(), 1.61, 1e-6);
    EXPECT_EQ (constrainer->getMinimumWidth(), expected.minWidth);
    EXPECT_EQ (constrainer->getMaximumHeight(), expected.maxHeight);
    EXPECT_TRUE (editor->isResizable());

    editor->setSize (1256, 780);
    EXPECT_EQ (editor->getMenuBar().getBounds(), juce::Rectangle<int> (0, 0, 1256, 70));
    EXPECT_EQ (editor->getPanel().getBounds(), juce::Rectangle<int> (0, 70, 1256, 710));
    editor->setSize (500, 311);
    EXPECT_EQ (editor->getMenuBar().getHeight(), 28);
    EXPECT_EQ (editor->getPanel().getBounds(), juce::Rectangle<int> (0, 28, 500, 283));

    // A resize as a host asks for it is held to the ratio and the limits.
    auto bounds = juce::Rectangle<int> (0, 0, 2400, 700);
    constrainer->checkBounds (bounds, editor->getBounds(), juce::Desktop::getInstance().getDisplays().getTotalBounds (true), false, false, true, true);
    EXPECT_LE (bounds.getWidth(), expected.maxWidth);
    EXPECT_NEAR ((double) bounds.getWidth() / bounds.getHeight(), 1.61, 0.01);
}

TEST_F (EditorFixture, PicturesOfThePresetMenuAndTheSaveDialog)
{
    ASSERT_TRUE (processor.saveUserPreset ("Big Room Kick"));
    ASSERT_TRUE (processor.saveUserPreset ("Snare Crack"));
    processor.loadFactoryPreset ("Snare Snap");

    editor->setSize (1256, 780);
    editor->setTopLeftPosition (40, 40);
    editor->addToDesktop (juce::ComponentPeer::windowHasTitleBar);
    editor->setVisible (true);
    editor->toFront (true); // menus close when their process loses the foreground
    pumpMessages (200);

    const auto windowsBefore = juce::Desktop::getInstance().getNumComponents();
    editor->getMenuBar().showPresetMenu();
    ASSERT_TRUE (pumpMessagesUntil ([windowsBefore] { return juce::Desktop::getInstance().getNumComponents() > windowsBefore; }));
    pumpMessages (50);
    auto& desktop = juce::Desktop::getInstance();
    ASSERT_EQ (desktop.getComponent (desktop.getNumComponents() - 1)->getName(), "menu");
    const auto menuArea = desktop.getComponent (desktop.getNumComponents() - 1)->getScreenBounds() - editor->getScreenPosition();
    EXPECT_GE (menuArea.getWidth(), editor->getMenuBar().getPresetMenuMinimumWidth());
    const auto withMenu = compositeOver (*editor);
    EXPECT_EQ (withMenu.getPixelAt (menuArea.getX() + 2, menuArea.getBottom() - 2), juce::Colour (0xff384452)); // menu outline
    EXPECT_EQ (withMenu.getWidth(), 1256);
    EXPECT_EQ (withMenu.getPixelAt (4, 4), juce::Colour (0xff0a0b0c)); // bar background
    writePng (withMenu, "kravell-editor-preset-menu.png");
    juce::PopupMenu::dismissAllActiveMenus();
    pumpMessages (100);

    editor->getMenuBar().showSavePresetDialog();
    pumpMessages (300);
    auto* dialog = dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
    ASSERT_NE (dialog, nullptr);
    EXPECT_LE (dialog->getWidth(), 1256);
    writePng (compositeOver (*editor), "kravell-editor-save-dialog.png");
    EXPECT_TRUE (pictureFolder().getChildFile ("kravell-editor-save-dialog.png").existsAsFile());
}
