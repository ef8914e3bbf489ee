#include "shell/ShellFixture.h"

#include "gui/shell/EditorSizing.h"

namespace
{
const juce::String triangle = juce::String::fromUTF8 ("  \xe2\x96\xbe");

struct SizeCase
{
    int areaWidth, areaHeight;
    int width, height, minWidth, minHeight, maxWidth, maxHeight;
};

struct MenuItemSeen
{
    juce::String text;
    int id;
    bool isHeader, isSeparator, ticked;
    std::vector<std::pair<int, juce::String>> subItems;
};

std::vector<MenuItemSeen> itemsOf (const juce::PopupMenu& menu)
{
    std::vector<MenuItemSeen> items;
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        MenuItemSeen seen { item.text, item.itemID, item.isSectionHeader, item.isSeparator, item.isTicked, {} };
        if (item.subMenu != nullptr)
            for (juce::PopupMenu::MenuItemIterator sub (*item.subMenu); sub.next();)
                seen.subItems.emplace_back (sub.getItem().itemID, sub.getItem().text);
        items.push_back (seen);
    }
    return items;
}
} // namespace

TEST (EditorSizing, FromTheUsableScreenArea)
{
    const SizeCase cases[] = {
        { 1920, 1040, 1256, 780, 500, 311, 1700, 1056 },
        { 1920, 1080, 1304, 810, 500, 311, 1700, 1056 },
        { 3840, 2080, 1700, 1056, 500, 311, 1700, 1056 },
        { 1366, 728, 879, 546, 500, 311, 1366, 848 },
        { 800, 560, 676, 420, 500, 311, 800, 497 },
        { 400, 300, 400, 248, 400, 248, 400, 248 }, // a screen narrower than the minimum
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.areaWidth) + " x " + juce::String (c.areaHeight));
        const auto s = EditorSizing::forUsableArea ({ 0, 0, c.areaWidth, c.areaHeight });
        EXPECT_EQ (s.width, c.width);
        EXPECT_EQ (s.height, c.height);
        EXPECT_EQ (s.minWidth, c.minWidth);
        EXPECT_EQ (s.minHeight, c.minHeight);
        EXPECT_EQ (s.maxWidth, c.maxWidth);
        EXPECT_EQ (s.maxHeight, c.maxHeight);
        EXPECT_LE (s.height, c.areaHeight);
    }
    EXPECT_EQ (EditorSizing::menuBarHeight (780), 70);
    EXPECT_EQ (EditorSizing::menuBarHeight (311), 28);
}

TEST (MenuBarLayout, ButtonsAndMenuSizesFollowTheBar)
{
    struct Case
    {
        int w, h;
        juce::Rectangle<int> preset, save;
    };
    const Case cases[] = {
        { 1256, 70, { 387, 8, 301, 46 }, { 701, 8, 126, 46 } },
        { 1700, 95, { 524, 11, 408, 63 }, { 949, 11, 171, 63 } },
        { 500, 28, { 154, 6, 120, 18 }, { 279, 6, 50, 18 } },
    };
    for (const auto& c : cases)
    {
        MenuBar bar;
        bar.setSize (c.w, c.h);
        EXPECT_EQ (bar.getPresetButton().getBounds(), c.preset) << c.w;
        EXPECT_EQ (bar.getSaveButton().getBounds(), c.save) << c.w;
    }

    MenuBar bar;
    bar.setSize (1256, 70);
    EXPECT_FLOAT_EQ (bar.getMenuLookAndFeel().popupFontHeight, 19.6f);
    EXPECT_FLOAT_EQ (bar.getMenuLookAndFeel().sectionHeaderFontHeight, 22.4f);
    EXPECT_EQ (bar.getMenuLookAndFeel().popupItemHeight, 23);
    for (auto [height, width, item] : { std::tuple { 60, 240, 20 }, std::tuple { 40, 180, 13 } })
    {
        bar.setSize (800, height);
        bar.createPresetMenu();
        EXPECT_EQ (bar.getPresetMenuMinimumWidth(), width);
        EXPECT_EQ (bar.getMenuLookAndFeel().popupItemHeight, item);
    }
}

TEST_F (ShellFixture, CaptionRule)
{
    bar.updatePresetButtonText();
    EXPECT_EQ (bar.getPresetButton().getCaption(), "Presets" + triangle);

    processor.setCurrentPresetInfo ("Preset", true, false);
    bar.updatePresetButtonText();
    EXPECT_EQ (bar.getPresetButton().getCaption(), "Presets" + triangle);

    processor.setCurrentPresetInfo ("Bass", true, false);
    setPlain (processor, "punch", 70.0f);
    bar.updatePresetButtonText();
    EXPECT_EQ (bar.getPresetButton().getCaption(), "Bass *" + triangle);

    // The bar's own timer follows changes made elsewhere within its 125 ms period.
    processor.loadFactoryPreset ("Bass Knock");
    EXPECT_TRUE (pumpMessagesUntil ([this] { return bar.getPresetButton().getCaption() == "Bass Knock" + triangle; }, 500));

    bar.setPresettable (nullptr);
    bar.updatePresetButtonText();
    EXPECT_EQ (bar.getPresetButton().getCaption(), "Presets" + triangle);
}

TEST_F (ShellFixture, MenuContentIdsAndTicks)
{
    auto items = itemsOf (bar.createPresetMenu());
    ASSERT_EQ (items.size(), 9u); // header and eight factory entries only
    EXPECT_TRUE (items[0].isHeader);
    EXPECT_EQ (items[0].text, "Factory Presets");
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ (items[(size_t) i + 1].id, 1000 + i);
        EXPECT_EQ (items[(size_t) i + 1].text, processor.getFactoryPresetNames()[i]);
        EXPECT_FALSE (items[(size_t) i + 1].ticked);
    }

    for (auto* name : { "A", "B", "C" })
        ASSERT_TRUE (processor.saveUserPreset (name));
    processor.loadFactoryPreset ("Snare Snap");
    setPlain (processor, "mix", 80.0f); // an edit keeps the tick

    items = itemsOf (bar.createPresetMenu());
    ASSERT_EQ (items.size(), 14u);
    EXPECT_TRUE (items[2].ticked); // Snare Snap
    EXPECT_TRUE (items[9].isSeparator);
    EXPECT_TRUE (items[10].isHeader);
    EXPECT_EQ (items[10].text, "User Presets");
    EXPECT_EQ (items[12].text, "B");
    const std::vector<std::pair<int, juce::String>> expectedB { { 2001, "Load" }, { 5001, "Rename" }, { 8001, "Delete" } };
    EXPECT_EQ (items[12].subItems, expectedB);

    // A user preset with a factory name is never ticked, nor is either entry then.
    ASSERT_TRUE (processor.saveUserPreset ("Snare Snap"));
    for (const auto& item : itemsOf (bar.createPresetMenu()))
        EXPECT_FALSE (item.ticked) << item.text;
}

TEST_F (ShellFixture, MenuResultsAreHandledOnTheFreshLists)
{
    for (auto* name : { "A", "B", "C" })
        ASSERT_TRUE (processor.saveUserPreset (name));
    setPlain (processor, "attack", 1.0f);
    processor.setCurrentPresetInfo ("Presets", false, false);

    // Ignored results change nothing.
    for (auto result : { 0, -1, -8000, 1, 999, 910001, 2000000 })
    {
        bar.handlePresetMenuResult (result);
        EXPECT_EQ (processor.getCurrentPresetName(), "Presets") << result;
        EXPECT_EQ (currentDialog(), nullptr) << result;
    }

    bar.handlePresetMenuResult (1001);
    EXPECT_EQ (bar.getPresetButton().getCaption(), "Snare Snap" + triangle);
    bar.handlePresetMenuResult (1008); // beyond the eight: nothing
    EXPECT_EQ (processor.getCurrentPresetName(), "Snare Snap");

    bar.handlePresetMenuResult (2002);
    EXPECT_EQ (processor.getCurrentPresetName(), "C");
    EXPECT_TRUE (processor.isCurrentPresetUser());

    // A preset removed between opening the menu and choosing: nothing happens.
    ASSERT_TRUE (presetFile ("A.xml").deleteFile());
    processor.setCurrentPresetInfo ("Kept", false, false);
    bar.handlePresetMenuResult (2002); // index 2 no longer exists
    EXPECT_EQ (processor.getCurrentPresetName(), "Kept");

    bar.handlePresetMenuResult (5001); // rename C (the fresh list is B, C)
    EXPECT_EQ (dialogText(), "Rename Preset | Enter a new name:");
    EXPECT_EQ (currentDialog()->getTextEditorContents ("presetName"), "C");
    press ("Cancel");

    bar.handlePresetMenuResult (8000);
    EXPECT_EQ (dialogText(), "Delete Preset? | Are you sure you want to delete \"B\"?");
    press ("Cancel");
    EXPECT_TRUE (presetFile ("B.xml").existsAsFile());

    bar.handlePresetMenuResult (8005); // no such index
    EXPECT_EQ (currentDialog(), nullptr);
}

TEST (MenuBarLook, ButtonFacesFollowTheirState)
{
    struct Case
    {
        bool over, down;
        juce::uint32 face;
    };
    const Case cases[] = { { false, false, 0xff181e24 }, { true, false, 0xff30363b }, { false, true, 0xff3b4045 }, { true, true, 0xff3b4045 } };

    MenuBar bar;
    bar.setSize (1256, 70);
    auto& save = bar.getSaveButton();
    for (const auto& c : cases)
    {
        juce::Image image (juce::Image::ARGB, save.getWidth(), save.getHeight(), true);
        juce::Graphics g (image);
        save.setState (c.down ? juce::Button::buttonDown : (c.over ? juce::Button::buttonOver : juce::Button::buttonNormal));
        save.paintEntireComponent (g, false);
        EXPECT_EQ (image.getPixelAt (6, save.getHeight() / 2), juce::Colour (c.face)) << c.over << c.down; // left of the caption
        EXPECT_EQ (image.getPixelAt (save.getWidth() / 2, 0), juce::Colour (0xff384452)); // outline
    }
}

TEST (MenuBarLook, PopupItemsAndHeaders)
{
    MenuBarLookAndFeel look;
    look.setSizesFromBarHeight (70.0f);
    juce::Image image (juce::Image::ARGB, 300, 30, true);
    {
        juce::Graphics g (image);
        look.drawPopupMenuItem (g, { 0, 0, 300, 30 }, false, true, true, false, true, "Snare", {}, nullptr, nullptr);
    }
    EXPECT_EQ (image.getPixelAt (6, 2), juce::Colour (0x28ffffff)); // highlight fill, inset by 4 and 1
    EXPECT_EQ (image.getPixelAt (2, 2).getAlpha(), 0);

    int width = 0, height = 0;
    look.getIdealPopupMenuItemSize ("Snare", false, 17, width, height);
    EXPECT_EQ (height, 23);
    look.getIdealPopupMenuItemSize ({}, true, 17, width, height);
    EXPECT_EQ (height, 6);
    EXPECT_FLOAT_EQ (look.getPopupMenuFont().getHeight(), 19.6f);
}
