// A user preset saved through the editor, as a user saves one, lands in the real %APPDATA%
// folder of this Windows (the Wine prefix's), and loads back through the preset menu.

#include "EditorLayout.h"
#include "HostWindow.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace host;

// A narrow string literal as a wide one.
#define KRAVELL_WIDEN(text) L##text
#define KRAVELL_WIDE(text) KRAVELL_WIDEN (text)

namespace
{
std::wstring roamingAppData()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED (SHGetFolderPathW (nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        throw std::runtime_error ("no %APPDATA% folder");
    return path;
}

bool fileExists (const std::wstring& path)
{
    const auto attributes = GetFileAttributesW (path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

/** Closes a message box of the editor's with its default button, once it is up. */
void confirmDialog (const std::wstring& title)
{
    HWND dialog = nullptr;
    ASSERT_TRUE (pumpUntil ([&]
                            { return (dialog = findThreadWindow (title)) != nullptr; },
                            std::chrono::seconds (5)))
        << "no dialog titled " << std::string (title.begin(), title.end());
    pressKey (dialog, VK_RETURN);
    EXPECT_TRUE (pumpUntil ([&]
                            { return findThreadWindow (title) == nullptr; },
                            std::chrono::seconds (5)));
}

const char* const presetSettings[] = { "mode=Smooth", "attack=9.5", "sustain=-7", "focus=Low", "mix=65" };
const char* const otherSettings[] = { "mode=Tight", "attack=-3", "sustain=4", "focus=High", "mix=20" };
} // namespace

TEST (Presets, SavedThroughTheEditorIntoAppDataAndLoadedBack)
{
    const auto presetsFolder = roamingAppData() + L"\\DornelAudio\\Kravell\\version_" KRAVELL_WIDE (KRAVELL_VERSION) L"\\Presets";
    const auto presetFile = presetsFolder + L"\\Wine Kick.xml";
    DeleteFileW (presetFile.c_str());

    Plugin plugin;
    plugin.applySettings ({ std::begin (presetSettings), std::end (presetSettings) });
    std::map<ParamID, ParamValue> saved;
    for (int32 i = 0; i < 10; ++i)
    {
        ParameterInfo info {};
        plugin.controller().getParameterInfo (i, info);
        saved[info.id] = plugin.controller().getParamNormalized (info.id);
    }

    EditorWindow editor (plugin.controller());
    ASSERT_TRUE (editor.attachedOk());
    auto* pluginWindow = editor.pluginWindow();
    ASSERT_NE (pluginWindow, nullptr);
    pumpMessages (std::chrono::milliseconds (500));
    const auto size = clientSize (pluginWindow);
    const auto buttons = menuBarButtonsFor (size.cx, size.cy);

    // Save: a dialog asks for the name; Return saves.
    clickAt (pluginWindow, centreOf (buttons.save));
    HWND dialog = nullptr;
    ASSERT_TRUE (pumpUntil ([&]
                            { return (dialog = findThreadWindow (L"Save Preset")) != nullptr; },
                            std::chrono::seconds (5)))
        << "the Save button opened no dialog";
    // Typed as soon as a user can (a moment after the dialog shows), with no click: the name
    // field takes the keyboard, its offered name selected, so the typing replaces it.
    pumpMessages (std::chrono::milliseconds (300));
    typeText (dialog, L"Wine Kick");
    pressKey (dialog, VK_RETURN);
    ASSERT_TRUE (pumpUntil ([&]
                            { return fileExists (presetFile); },
                            std::chrono::seconds (5)))
        << "no preset file in %APPDATA%";
    confirmDialog (L"Success");

    // Carry on editing, away from every value the preset set.
    plugin.applySettings ({ std::begin (otherSettings), std::end (otherSettings) });
    pumpMessages (std::chrono::milliseconds (200));
    for (const std::string setting : otherSettings)
    {
        const auto id = plugin.idOfTitle (setting.substr (0, setting.find ('=')));
        ASSERT_NE (plugin.controller().getParamNormalized (id), saved.at (id)) << setting;
    }

    // Load it back: the preset menu's last entry is the user preset; its first action loads.
    clickAt (pluginWindow, centreOf (buttons.presets));
    pumpMessages (std::chrono::milliseconds (400));
    pressKey (pluginWindow, VK_UP);
    pressKey (pluginWindow, VK_RIGHT);
    pressKey (pluginWindow, VK_RETURN);

    const auto allRestored = [&]
    {
        for (const auto& [id, value] : saved)
            if (std::abs (plugin.controller().getParamNormalized (id) - value) > 1e-6)
                return false;
        return true;
    };
    EXPECT_TRUE (pumpUntil (allRestored, std::chrono::seconds (5))) << "the preset's values did not come back";

    // The host heard of it (its automation lanes follow), and the project will remember it.
    const auto edits = plugin.handler().lastEdits();
    const auto attack = plugin.idOfTitle ("Attack");
    ASSERT_TRUE (edits.count (attack) == 1);
    EXPECT_NEAR (edits.at (attack), saved.at (attack), 1e-6);

    const auto state = plugin.componentState();
    const std::string text (state.begin(), state.end());
    EXPECT_NE (text.find ("uiCurrentPresetName=\"Wine Kick\""), std::string::npos);
    EXPECT_NE (text.find ("uiCurrentPresetIsUser=\"1\""), std::string::npos);

    EXPECT_EQ (editor.close(), kResultOk);
}
