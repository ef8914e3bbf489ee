#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include "support/ProcessorHelpers.h"
#include "support/TempFolder.h"

namespace
{
/** A processor whose presets live in a temporary folder instead of the user's. */
struct PresetFixture : public ::testing::Test
{
    TempFolder temp;
    KravellAudioProcessor processor;

    void SetUp() override { processor.getPresetFileStore().setApplicationDataRoot (temp.folder.getChildFile ("appdata")); }

    juce::File presets() { return processor.getPresetFileStore().getPresetsFolder(); }

    void writeFile (const juce::String& fileName, const juce::String& text)
    {
        presets().createDirectory();
        ASSERT_TRUE (presets().getChildFile (fileName).replaceWithText (text));
    }

    /** Every file below the temporary folder, as relative paths: what the operations touched. */
    juce::StringArray allFiles()
    {
        juce::StringArray files;
        for (const auto& entry : juce::RangedDirectoryIterator (temp.folder, true, "*", juce::File::findFilesAndDirectories))
            files.add (entry.getFile().getRelativePathFrom (temp.folder));
        files.sort (false);
        return files;
    }
};
} // namespace

TEST_F (PresetFixture, FirstSaveCreatesTheFolderChainAndListsThePreset)
{
    EXPECT_EQ (presets(), temp.folder.getChildFile ("appdata/DornelAudio/Kravell/version_" KRAVELL_VERSION "/Presets"));
    EXPECT_FALSE (temp.folder.getChildFile ("appdata").exists()); // not created by listing
    EXPECT_TRUE (processor.getUserPresetNames().isEmpty());

    setPlain (processor, "attack", -7.25f);
    ASSERT_TRUE (processor.saveUserPreset ("Snare Layer"));
    EXPECT_TRUE (presets().getChildFile ("Snare Layer.xml").existsAsFile());
    EXPECT_EQ (processor.getUserPresetNames(), juce::StringArray { "Snare Layer" });
    EXPECT_EQ (processor.getPresetDisplayName(), "Snare Layer");
    EXPECT_TRUE (processor.isCurrentPresetUser());

    auto xml = juce::parseXML (presets().getChildFile ("Snare Layer.xml"));
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getTagName(), "PARAMETERS");
    EXPECT_EQ (xml->getNumChildElements(), 10);

    setPlain (processor, "attack", 3.0f);
    EXPECT_EQ (processor.getPresetDisplayName(), "Snare Layer *");
    ASSERT_TRUE (processor.loadUserPreset ("Snare Layer"));
    EXPECT_FLOAT_EQ (getPlain (processor, "attack"), -7.25f);
    EXPECT_EQ (processor.getPresetDisplayName(), "Snare Layer");
}

TEST_F (PresetFixture, NamesBecomeSafeFileNames)
{
    struct Case
    {
        juce::String typed, fileName;
    };
    const Case cases[] = {
        { "Kick/Snare: Take 2", "KickSnare Take 2.xml" },
        { "???", "Preset.xml" },
        { juce::String::fromUTF8 ("\xc3\x89 Room"), " Room.xml" }, // trimmed before dropping
        { "  Tidy  ", "Tidy.xml" },
        { "../../escape", "escape.xml" },
        { "/etc/passwd", "etcpasswd.xml" },
        { "..", "Preset.xml" },
        { "a\\..\\b", "ab.xml" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.typed);
        EXPECT_EQ (processor.getPresetFileStore().getPresetFile (c.typed), presets().getChildFile (c.fileName));
        ASSERT_TRUE (processor.saveUserPreset (c.typed));
        EXPECT_TRUE (presets().getChildFile (c.fileName).existsAsFile());
        EXPECT_EQ (processor.getCurrentPresetName(), c.typed); // recorded as typed
    }

    // Nothing was written anywhere but the presets folder.
    for (const auto& path : allFiles())
        EXPECT_TRUE (path.startsWith ("appdata")) << path;
    for (const auto& path : allFiles())
        if (path.endsWith (".xml"))
        {
            EXPECT_EQ (temp.folder.getChildFile (path).getParentDirectory(), presets()) << path;
        }
}

TEST_F (PresetFixture, NothingOutsideTheFolderIsReachable)
{
    // A sentinel beside the presets folder and one above the data folder.
    writeFile ("Keep.xml", "<PARAMETERS/>");
    const auto outside = temp.folder.getChildFile ("appdata/DornelAudio/Kravell/version_" KRAVELL_VERSION "/secret.xml");
    ASSERT_TRUE (outside.replaceWithText ("<PARAMETERS><PARAM id=\"attack\" value=\"-12\"/></PARAMETERS>"));

    const juce::String names[] = { "../secret", "..\\secret", "/../secret", "Presets/../secret", juce::String::repeatedString ("x", 5000) };
    for (const auto& name : names)
    {
        SCOPED_TRACE (juce::String (name).substring (0, 40));
        EXPECT_FALSE (processor.loadUserPreset (name));
        EXPECT_FALSE (processor.deleteUserPreset (name));
        EXPECT_FALSE (processor.renameUserPreset (name, "Moved"));
    }

    // A rename target with separators lands inside the folder, under its sanitised name.
    ASSERT_TRUE (processor.renameUserPreset ("Keep", "../../Moved"));
    EXPECT_TRUE (presets().getChildFile ("Moved.xml").existsAsFile());
    ASSERT_TRUE (processor.renameUserPreset ("Moved", "Keep"));

    EXPECT_TRUE (outside.existsAsFile());
    EXPECT_NE (getPlain (processor, "attack"), -12.0f);
    EXPECT_TRUE (presets().getChildFile ("Keep.xml").existsAsFile());
}

TEST_F (PresetFixture, ListingSortsIgnoringCaseAndSkipsOtherFiles)
{
    writeFile ("keys.xml", "<PARAMETERS/>");
    writeFile ("bass.xml", "<PARAMETERS/>");
    writeFile ("Drums.xml", "<PARAMETERS/>");
    writeFile ("notes.txt", "x");
    writeFile ("Drums.xml.bak", "x");
    presets().getChildFile ("Sub").createDirectory();
    ASSERT_TRUE (presets().getChildFile ("Sub/Hidden.xml").replaceWithText ("<PARAMETERS/>"));
    presets().getChildFile ("Folder.xml").createDirectory(); // a folder is not a preset

    EXPECT_EQ (processor.getUserPresetNames(), (juce::StringArray { "bass", "Drums", "keys" }));
}

TEST_F (PresetFixture, EveryListedPresetIsReachable)
{
    // A hand-placed file whose name the sanitiser would change.
    writeFile ("Warm.Room.xml", "<PARAMETERS><PARAM id=\"sustain\" value=\"4.5\"/></PARAMETERS>");
    ASSERT_TRUE (processor.getUserPresetNames().contains ("Warm.Room"));

    ASSERT_TRUE (processor.loadUserPreset ("Warm.Room"));
    EXPECT_FLOAT_EQ (getPlain (processor, "sustain"), 4.5f);
    EXPECT_EQ (processor.getCurrentPresetName(), "Warm.Room");
    EXPECT_TRUE (processor.getPresetFileStore().presetFileExists ("Warm.Room"));

    ASSERT_TRUE (processor.renameUserPreset ("Warm.Room", "Warm Room"));
    EXPECT_TRUE (presets().getChildFile ("Warm Room.xml").existsAsFile());
    EXPECT_EQ (processor.getCurrentPresetName(), "Warm Room");

    writeFile ("Odd.Name.xml", "<PARAMETERS/>");
    ASSERT_TRUE (processor.deleteUserPreset ("Odd.Name"));
    EXPECT_FALSE (presets().getChildFile ("Odd.Name.xml").exists());
}

TEST_F (PresetFixture, TypedNamesThatMapToAnExistingFileAreTheSamePreset)
{
    ASSERT_TRUE (processor.saveUserPreset ("Kick Snare"));
    auto& store = processor.getPresetFileStore();
    EXPECT_TRUE (store.presetFileExists ("Kick Snare"));
    EXPECT_TRUE (store.presetFileExists ("Kick: Snare"));
    EXPECT_TRUE (store.presetFileExists ("  Kick Snare?"));
    EXPECT_FALSE (store.presetFileExists ("Kick Snares"));
}

TEST_F (PresetFixture, RenameAndDeleteFollowTheCurrentPreset)
{
    ASSERT_TRUE (processor.saveUserPreset ("A"));
    ASSERT_TRUE (processor.saveUserPreset ("B"));
    setPlain (processor, "mix", 50.0f); // B is current and edited

    EXPECT_FALSE (processor.renameUserPreset ("A", "B")); // never replaces
    EXPECT_FALSE (processor.renameUserPreset ("A", "   "));
    EXPECT_FALSE (processor.renameUserPreset ("Missing", "C"));
    EXPECT_EQ (processor.getPresetDisplayName(), "B *");

    processor.setCurrentPresetInfo ("b", true, true);
    ASSERT_TRUE (processor.renameUserPreset ("B", "Bee")); // current name matched ignoring case
    EXPECT_EQ (processor.getPresetDisplayName(), "Bee");
    EXPECT_TRUE (processor.isCurrentPresetUser());

    ASSERT_TRUE (processor.renameUserPreset ("A", "Ay")); // not current: current unchanged
    EXPECT_EQ (processor.getCurrentPresetName(), "Bee");

    EXPECT_FALSE (processor.deleteUserPreset ("A"));
    ASSERT_TRUE (processor.deleteUserPreset ("Ay"));
    EXPECT_EQ (processor.getCurrentPresetName(), "Bee");
    processor.setCurrentPresetInfo ("BEE", true, false);
    ASSERT_TRUE (processor.deleteUserPreset ("Bee")); // current name matched ignoring case
    EXPECT_EQ (processor.getPresetDisplayName(), "Presets");
    EXPECT_FALSE (processor.isCurrentPresetUser());

    // A factory preset with a user preset's name is left alone by deleting the user one.
    ASSERT_TRUE (processor.saveUserPreset ("Snare Snap"));
    processor.loadFactoryPreset ("Snare Snap");
    ASSERT_TRUE (processor.deleteUserPreset ("Snare Snap"));
    EXPECT_EQ (processor.getCurrentPresetName(), "Snare Snap");
}

TEST_F (PresetFixture, BadFilesLoadNothingAndChangeNothing)
{
    juce::MemoryBlock binary;
    for (int i = 0; i < 4096; ++i)
        binary.append (&i, 1);

    writeFile ("Empty.xml", "");
    writeFile ("Truncated.xml", "<?xml version=\"1.0\"?>\n<PARAMETERS><PARAM id=\"attack\" val");
    writeFile ("Malformed.xml", "<PARAMETERS><PARAM id=\"attack\" value=\"1\"></PARAMETERS>");
    ASSERT_TRUE (presets().getChildFile ("Binary.xml").replaceWithData (binary.getData(), binary.getSize()));
    writeFile ("Huge.xml", "<PARAMETERS>" + juce::String::repeatedString ("<PARAM id=\"attack\" value=\"-9\"/>", 60000) + "</PARAMETERS>");
    presets().getChildFile ("Folder.xml").createDirectory();
    const char cutShort[] = "<PARAMETERS><PARAM id=\"attack\" value=\"-9\"/></PARAMETERS>\xe2\x96";
    ASSERT_TRUE (presets().getChildFile ("NotUtf8.xml").replaceWithData (cutShort, sizeof (cutShort) - 1));

    setPlain (processor, "attack", 2.0f);
    processor.setCurrentPresetInfo ("Mine", true, true);
    for (const auto* name : { "Empty", "Truncated", "Malformed", "Binary", "Huge", "Folder", "Missing", "NotUtf8" })
    {
        EXPECT_FALSE (processor.loadUserPreset (name)) << name;
        EXPECT_FLOAT_EQ (getPlain (processor, "attack"), 2.0f) << name;
        EXPECT_EQ (processor.getPresetDisplayName(), "Mine *") << name;
    }
    EXPECT_FALSE (processor.deleteUserPreset ("Folder"));
    EXPECT_TRUE (presets().getChildFile ("Folder.xml").isDirectory());
}

TEST_F (PresetFixture, ForeignButWellFormedFilesApplyWhatTheyHold)
{
    writeFile ("Foreign.xml", "<SOMETHING><PARAM id=\"mix\" value=\"33\"/><PARAM id=\"nonsense\" value=\"7\"/></SOMETHING>");
    setPlain (processor, "attack", 1.0f);
    ASSERT_TRUE (processor.loadUserPreset ("Foreign"));
    EXPECT_FLOAT_EQ (getPlain (processor, "mix"), 33.0f);
    EXPECT_FLOAT_EQ (getPlain (processor, "attack"), 1.0f); // missing: kept
    EXPECT_FALSE (processor.isCurrentPresetModified());
}

TEST_F (PresetFixture, SavesFailCleanlyWhereTheFolderCannotBe)
{
    // A regular file where the presets folder's parent should be.
    auto data = processor.getPresetFileStore().getDataFolder();
    data.getParentDirectory().createDirectory();
    ASSERT_TRUE (data.replaceWithText ("not a folder"));

    processor.setCurrentPresetInfo ("Before", false, true);
    EXPECT_FALSE (processor.saveUserPreset ("X"));
    EXPECT_EQ (processor.getPresetDisplayName(), "Before *");
    EXPECT_TRUE (processor.getUserPresetNames().isEmpty());
    EXPECT_FALSE (processor.loadUserPreset ("X"));

    // And a store with no application-data folder at all.
    PresetFileStore nowhere { juce::File() };
    EXPECT_EQ (nowhere.getPresetsFolder(), juce::File());
    EXPECT_TRUE (nowhere.getPresetNames().isEmpty());
    EXPECT_FALSE (nowhere.writePreset ("X", processor.parameterState.copyState()));
}

TEST_F (PresetFixture, AFailedSaveKeepsThePreviousVersion)
{
    setPlain (processor, "attack", 4.0f);
    ASSERT_TRUE (processor.saveUserPreset ("Keeper"));
    const auto file = presets().getChildFile ("Keeper.xml");
    const auto before = file.loadFileAsString();
    ASSERT_GT (before.length(), 200);

    // Let the next write fail part way through: the file-size limit stops it at 64 bytes.
    setPlain (processor, "attack", -4.0f);
    auto* previousHandler = std::signal (SIGXFSZ, SIG_IGN);
    rlimit original {};
    getrlimit (RLIMIT_FSIZE, &original);
    rlimit small = original;
    small.rlim_cur = 64;
    setrlimit (RLIMIT_FSIZE, &small);
    const auto saved = processor.saveUserPreset ("Keeper");
    setrlimit (RLIMIT_FSIZE, &original);
    std::signal (SIGXFSZ, previousHandler);

    EXPECT_FALSE (saved);
    EXPECT_EQ (file.loadFileAsString(), before);
    EXPECT_EQ (processor.getUserPresetNames(), juce::StringArray { "Keeper" });
    ASSERT_TRUE (processor.loadUserPreset ("Keeper"));
    EXPECT_FLOAT_EQ (getPlain (processor, "attack"), 4.0f);
}

namespace
{
/** The presets an update finds: which older (or newer) version folders hold which files. */
struct UpdateCase
{
    const char* name;
    std::vector<std::pair<const char*, const char*>> filesBefore; // "version/file", contents
    std::vector<std::pair<const char*, const char*>> expected;    // file in 1.12.0's folder, contents
};

const UpdateCase updateCases[] = {
    { "FromTheLastVersion", { { "1.1.0/Kick.xml", "a" }, { "1.1.0/Snare Layer.xml", "b" } }, { { "Kick.xml", "a" }, { "Snare Layer.xml", "b" } } },
    // A name in two older versions: the newer one's file, compared as numbers (1.10 > 1.9).
    { "NewestOlderVersionFirst", { { "1.9.0/Kick.xml", "old" }, { "1.10.0/Kick.xml", "new" }, { "1.9.0/Room.xml", "c" } }, { { "Kick.xml", "new" }, { "Room.xml", "c" } } },
    // A newer version's folder (after a downgrade) and a folder that is no version are left alone.
    { "NeverFromNewerOrOtherFolders", { { "2.0.0/Future.xml", "f" }, { "beta/Odd.xml", "o" }, { "1.0.0/Kick.xml", "a" } }, { { "Kick.xml", "a" } } },
    { "OnlyPresetFiles", { { "1.0.0/notes.txt", "n" } }, {} },
};

class PresetsAfterAnUpdate : public ::testing::TestWithParam<UpdateCase>
{
};
} // namespace

TEST_P (PresetsAfterAnUpdate, AreCopiedOnceNeverMovedNorOverwritten)
{
    TempFolder temp;
    const auto product = temp.folder.getChildFile ("DornelAudio/Kravell");
    for (const auto& [path, text] : GetParam().filesBefore)
    {
        const juce::String relative (path);
        const auto file = product.getChildFile ("version_" + relative.upToFirstOccurrenceOf ("/", false, false))
                              .getChildFile ("Presets")
                              .getChildFile (relative.fromFirstOccurrenceOf ("/", false, false));
        ASSERT_TRUE (file.getParentDirectory().createDirectory());
        ASSERT_TRUE (file.replaceWithText (text));
    }

    PresetFileStore store (temp.folder);
    ProductInfo info;
    info.version = "1.12.0";
    store.setProductInfo (info);
    EXPECT_EQ (store.copyPresetsFromOlderVersions(), (int) GetParam().expected.size());

    juce::StringArray expectedNames;
    for (const auto& [file, text] : GetParam().expected)
    {
        expectedNames.add (juce::String (file).upToLastOccurrenceOf (".xml", false, false));
        EXPECT_EQ (store.getPresetsFolder().getChildFile (file).loadFileAsString(), text) << file;
    }
    expectedNames.sort (true);
    EXPECT_EQ (store.getPresetNames(), expectedNames);
    EXPECT_EQ (store.getPresetsFolder().isDirectory(), ! expectedNames.isEmpty()) << "no empty folder is made";

    // The old folders keep their files.
    for (const auto& [path, text] : GetParam().filesBefore)
    {
        const juce::String relative (path);
        EXPECT_TRUE (product.getChildFile ("version_" + relative.upToFirstOccurrenceOf ("/", false, false) + "/Presets/" + relative.fromFirstOccurrenceOf ("/", false, false)).existsAsFile()) << path;
    }

    // Once: what the user deletes (or renames) in the new version does not come back.
    if (! expectedNames.isEmpty())
    {
        ASSERT_TRUE (store.getPresetsFolder().getChildFile (GetParam().expected.front().first).deleteFile());
        EXPECT_EQ (store.copyPresetsFromOlderVersions(), 0);
        EXPECT_EQ (store.getPresetNames().size(), expectedNames.size() - 1);
    }
}

INSTANTIATE_TEST_SUITE_P (Versions, PresetsAfterAnUpdate, ::testing::ValuesIn (updateCases), [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (PresetsAfterAnUpdate, AFreshProcessorOfANewVersionShowsTheOldPresets)
{
    // As a user meets it: the first instance after the update, in the user's own folders.
    TempFolder temp;
    struct HomeFor
    {
        explicit HomeFor (const juce::File& folder) { setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1); }
        ~HomeFor() { setenv ("HOME", saved.toRawUTF8(), 1); }
        juce::String saved = juce::SystemStats::getEnvironmentVariable ("HOME", {});
    } home (temp.folder);
    const auto old = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory).getChildFile ("DornelAudio/Kravell/version_0.9.0/Presets/Old Kick.xml");
    ASSERT_TRUE (old.getParentDirectory().createDirectory());
    ASSERT_TRUE (old.replaceWithText ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PARAMETERS><PARAM id=\"attack\" value=\"-3.5\"/></PARAMETERS>\n"));
    {
        KravellAudioProcessor processor;
        EXPECT_EQ (processor.getUserPresetNames(), juce::StringArray { "Old Kick" });
        EXPECT_TRUE (processor.loadUserPreset ("Old Kick"));
        EXPECT_FLOAT_EQ (getPlain (processor, "attack"), -3.5f);
    }
}
