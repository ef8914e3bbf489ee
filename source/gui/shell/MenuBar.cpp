#include "gui/shell/MenuBar.h"
#include "gui/shell/ButtonFace.h"

namespace
{
// Two spaces and U+25BE, the small down-pointing triangle.
const juce::String captionSuffix = juce::String::fromUTF8 ("  \xe2\x96\xbe");
} // namespace

//==============================================================================
IconButton::IconButton (const juce::String& buttonName) : juce::Button (buttonName) {}

void IconButton::setCaption (const juce::String& newCaption)
{
    caption = newCaption;
    repaint();
}

float IconButton::captionX (int buttonWidth, float textWidth) noexcept
{
    const auto w1 = (float) std::max (buttonWidth - 1, 0);
    const auto innerWidth = 0.8f * w1;
    const auto innerStart = 0.5f + 0.1f * w1;
    return innerStart + innerWidth / 2.0f - textWidth / 2.0f;
}

void IconButton::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    const auto w = getWidth(), h = getHeight();
    drawButtonFace (g, w, h, highlighted, down);

    const auto h1 = (float) std::max (h - 1, 0);
    const juce::Font font (juce::FontOptions (std::max (h1 * 0.5f, 11.0f), juce::Font::bold));
    const auto x = (int) std::round (captionX (w, juce::GlyphArrangement::getStringWidth (font, caption)));

    // A caption too wide for the button starts further left and is squeezed, keeping a
    // six-pixel margin on the right.
    g.setColour (juce::Colour (0xffdce6f0));
    g.setFont (font);
    g.drawFittedText (caption, x, 0, w - x - 6, h, juce::Justification::centredLeft, 1, 0.0f);
}

//==============================================================================
MenuBar::MenuBar()
{
    presetButton.setCaption ("Presets" + captionSuffix);
    saveButton.setCaption ("Save");
    presetButton.setTitle ("Presets");
    saveButton.setTitle ("Save preset");

    addAndMakeVisible (presetButton);
    addAndMakeVisible (saveButton);

    presetButton.onClick = [this] { showPresetMenu(); };
    saveButton.onClick = [this] { showSavePresetDialog(); };

    startTimer (125);
}

MenuBar::~MenuBar()
{
    stopTimer();

    // A dialog may outlive the bar (the host closed the editor while it was open): it must
    // not keep drawing with the look that dies with the bar.
    auto& desktop = juce::Desktop::getInstance();
    for (int i = desktop.getNumComponents(); --i >= 0;)
        if (auto* dialog = dynamic_cast<juce::AlertWindow*> (desktop.getComponent (i)))
            if (&dialog->getLookAndFeel() == &dialogLook)
                dialog->setLookAndFeel (nullptr);
}

void MenuBar::paint (juce::Graphics& g)
{
    g.fillAll (backgroundColour);
}

void MenuBar::resized()
{
    const auto w = (float) getWidth();
    const auto h = (float) getHeight();
    menuLook.setSizesFromBarHeight (h);

    const auto pad = std::max (h * 0.12f, 6.0f);
    const auto y = (int) std::round (pad);
    const auto presetWidth = std::round (w * 0.24f);
    const auto buttonHeight = (int) std::round (std::max (18.0f, h * 0.9f - 2.0f * pad));

    // Four fifths of the preset button sit left of the centre line; Save follows after a
    // gap of a hundredth of the width.
    const auto presetX = w * 0.5f - presetWidth * 0.8f;
    presetButton.setBounds ((int) std::round (presetX), y, (int) presetWidth, buttonHeight);

    const auto saveWidth = (int) std::round (h * 1.8f);
    const auto saveX = (int) std::round (presetWidth + presetX + w * 0.01f);
    saveButton.setBounds (saveX, y, saveWidth, buttonHeight);
}

void MenuBar::timerCallback()
{
    updatePresetButtonText();
}

//==============================================================================
void MenuBar::updatePresetButtonText()
{
    juce::String name ("Presets");
    if (presettable != nullptr)
        name = presettable->getPresetDisplayName().trim();
    if (name.isEmpty() || name == "Preset")
        name = "Presets";

    const auto caption = name + captionSuffix;
    if (caption != presetButton.getCaption())
        presetButton.setCaption (caption);
}

int MenuBar::getPresetMenuMinimumWidth() const noexcept
{
    return (int) std::round (std::max ((float) getHeight() * 4.0f, 180.0f));
}

juce::PopupMenu MenuBar::createPresetMenu()
{
    menuLook.setSizesFromBarHeight ((float) getHeight());

    juce::PopupMenu menu;
    menu.setLookAndFeel (&menuLook);
    if (presettable == nullptr)
        return menu;

    const auto currentName = presettable->getCurrentPresetName();
    const auto currentIsUser = presettable->isCurrentPresetUser();

    menu.addSectionHeader ("Factory Presets");
    const auto factoryNames = presettable->getFactoryPresetNames();
    for (int i = 0; i < factoryNames.size(); ++i)
        menu.addItem (1000 + i, factoryNames[i], true, ! currentIsUser && currentName == factoryNames[i]);

    const auto userNames = presettable->getUserPresetNames();
    if (! userNames.isEmpty())
    {
        menu.addSeparator();
        menu.addSectionHeader ("User Presets");
        for (int i = 0; i < userNames.size(); ++i)
        {
            juce::PopupMenu actions;
            actions.setLookAndFeel (&menuLook);
            actions.addItem (2000 + i, "Load");
            actions.addItem (5000 + i, "Rename");
            actions.addItem (8000 + i, "Delete");
            menu.addSubMenu (userNames[i], actions, true);
        }
    }

    return menu;
}

void MenuBar::showPresetMenu()
{
    if (presettable == nullptr)
        return;

    auto menu = createPresetMenu();
    const auto options = juce::PopupMenu::Options()
                             .withTargetComponent (&presetButton)
                             .withMinimumWidth (getPresetMenuMinimumWidth())
                             .withStandardItemHeight (menuLook.popupItemHeight);

    menu.showMenuAsync (options, [bar = juce::Component::SafePointer<MenuBar> (this)] (int result) {
        if (bar != nullptr)
            bar->handlePresetMenuResult (result);
    });
}

void MenuBar::handlePresetMenuResult (int result)
{
    if (presettable == nullptr || result == 0)
        return;

    // The lists are read again now: presets may have changed while the menu was open.
    if (result >= 1000 && result < 2000)
    {
        const auto names = presettable->getFactoryPresetNames();
        if (juce::isPositiveAndBelow (result - 1000, names.size()))
        {
            presettable->loadFactoryPreset (names[result - 1000]);
            updatePresetButtonText();
        }
    }
    else if (result >= 2000 && result < 5000)
    {
        const auto names = presettable->getUserPresetNames();
        if (juce::isPositiveAndBelow (result - 2000, names.size()) && presettable->loadUserPreset (names[result - 2000]))
            updatePresetButtonText();
    }
    else if (result >= 5000 && result < 8000)
    {
        const auto names = presettable->getUserPresetNames();
        if (juce::isPositiveAndBelow (result - 5000, names.size()))
            showRenamePresetDialog (names[result - 5000]);
    }
    else
    {
        const auto index = result - 8000;
        if (index < 0 || index > 902000)
            return;
        const auto names = presettable->getUserPresetNames();
        if (juce::isPositiveAndBelow (index, names.size()))
            showDeletePresetDialog (names[index]);
    }
}
