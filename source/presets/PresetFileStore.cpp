#include "presets/PresetFileStore.h"
#include "platform/UserDataFolder.h"
#include "platform/XmlText.h"

#include <algorithm>
#include <vector>

PresetFileStore::PresetFileStore() : root (getUserApplicationDataFolder()) {}

PresetFileStore::PresetFileStore (const juce::File& applicationDataRoot) : root (applicationDataRoot) {}

void PresetFileStore::setProductInfo (const ProductInfo& info) { productInfo = info; }

void PresetFileStore::setApplicationDataRoot (const juce::File& newRoot) { root = newRoot; }

juce::File PresetFileStore::getDataFolder() const
{
    if (root == juce::File())
        return {};
    return root.getChildFile (productInfo.companyFolder)
        .getChildFile (productInfo.productName)
        .getChildFile ("version_" + productInfo.version);
}

juce::File PresetFileStore::getPresetsFolder() const
{
    const auto data = getDataFolder();
    return data == juce::File() ? juce::File() : data.getChildFile ("Presets");
}

juce::String PresetFileStore::sanitisePresetName (const juce::String& name)
{
    const auto kept = name.trim().retainCharacters ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 _-");
    return kept.isEmpty() ? juce::String ("Preset") : kept;
}

juce::File PresetFileStore::getPresetFile (const juce::String& name) const
{
    const auto folder = getPresetsFolder();
    if (folder == juce::File())
        return {};

    // A hand-placed file whose name holds characters the sanitiser drops (Warm.Room.xml) is
    // listed under that name, so operations on that name must reach it. Only a plain file
    // name directly inside the folder qualifies: no separators, no "." or "..".
    const auto isPlainFileName = name.isNotEmpty() && name != "." && name != ".."
                                 && ! name.containsAnyOf ("/\\") && name.length() <= 200
                                 && name == name.trim();
    if (isPlainFileName)
    {
        const auto exact = folder.getChildFile (name + ".xml");
        if (exact.getParentDirectory() == folder && exact.existsAsFile())
            return exact;
    }

    return folder.getChildFile (sanitisePresetName (name) + ".xml");
}

bool PresetFileStore::presetFileExists (const juce::String& name) const
{
    const auto file = getPresetFile (name);
    return file != juce::File() && file.existsAsFile();
}

juce::StringArray PresetFileStore::getPresetNames() const
{
    juce::StringArray names;
    const auto folder = getPresetsFolder();
    if (folder == juce::File() || ! folder.isDirectory())
        return names;

    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*.xml", juce::File::findFiles))
        names.add (entry.getFile().getFileNameWithoutExtension());

    names.sort (true);
    return names;
}

bool PresetFileStore::readPreset (const juce::String& name, juce::ValueTree& tree) const
{
    const auto file = getPresetFile (name);
    if (file == juce::File() || ! file.existsAsFile() || file.getSize() > maximumPresetFileSize)
        return false;

    juce::MemoryBlock bytes;
    if (! file.loadFileAsData (bytes))
        return false;

    auto xml = parseXmlFromUtf8 (bytes.getData(), bytes.getSize());
    if (xml == nullptr)
        return false;

    tree = juce::ValueTree::fromXml (*xml);
    return tree.isValid();
}

bool PresetFileStore::writePreset (const juce::String& name, const juce::ValueTree& tree) const
{
    const auto folder = getPresetsFolder();
    if (folder == juce::File())
        return false;
    if (! folder.isDirectory())
        folder.createDirectory();

    const auto file = getPresetFile (name);
    auto xml = tree.createXml();
    if (xml == nullptr)
        return false;

    juce::MemoryOutputStream document;
    xml->writeTo (document, {});
    return replaceFileSafely (file, document.getData(), document.getDataSize());
}

namespace
{
/** The numbers of a dotted version ("1.10.2" -> 1, 10, 2); empty when it is not one. */
juce::Array<int> versionNumbers (const juce::String& version)
{
    juce::Array<int> numbers;
    for (const auto& part : juce::StringArray::fromTokens (version, ".", ""))
    {
        if (part.isEmpty() || ! part.containsOnly ("0123456789") || part.length() > 9)
            return {};
        numbers.add (part.getIntValue());
    }
    return numbers;
}

bool isOlderVersion (const juce::Array<int>& a, const juce::Array<int>& b)
{
    for (int i = 0; i < juce::jmax (a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return a[i] < b[i];
    return false;
}
} // namespace

int PresetFileStore::copyPresetsFromOlderVersions() const
{
    const auto folder = getPresetsFolder();
    const auto current = versionNumbers (productInfo.version);
    if (folder == juce::File() || folder.exists() || current.isEmpty())
        return 0;

    struct OlderFolder
    {
        juce::Array<int> version;
        juce::File presets;
    };
    std::vector<OlderFolder> older;
    for (const auto& entry : juce::RangedDirectoryIterator (getDataFolder().getParentDirectory(), false, "version_*", juce::File::findDirectories))
    {
        const auto version = versionNumbers (entry.getFile().getFileName().fromFirstOccurrenceOf ("version_", false, false));
        const auto presets = entry.getFile().getChildFile ("Presets");
        if (! version.isEmpty() && isOlderVersion (version, current) && presets.isDirectory())
            older.push_back ({ version, presets });
    }
    std::sort (older.begin(), older.end(), [] (const auto& a, const auto& b) { return isOlderVersion (b.version, a.version); });

    int copied = 0;
    for (const auto& source : older)
    {
        for (const auto& entry : juce::RangedDirectoryIterator (source.presets, false, "*.xml", juce::File::findFiles))
        {
            const auto file = entry.getFile();
            const auto target = folder.getChildFile (file.getFileName());
            juce::MemoryBlock bytes;
            if (target.exists() || file.getSize() > maximumPresetFileSize || ! file.loadFileAsData (bytes))
                continue;
            if (! folder.isDirectory() && ! folder.createDirectory())
                return copied;
            if (replaceFileSafely (target, bytes.getData(), bytes.getSize()))
                ++copied;
        }
    }
    return copied;
}

bool PresetFileStore::replaceFileSafely (const juce::File& file, const void* data, size_t size)
{
    // Written to a temporary sibling and renamed over the old file only once every byte is
    // known to be on disk: a short write (disk full, size limit) is not always reported as
    // an error by the stream, so the written size is checked too. A failed save therefore
    // leaves the previous version intact.
    juce::TemporaryFile temporary (file);
    {
        juce::FileOutputStream out (temporary.getFile());
        if (! out.openedOk() || ! out.write (data, size))
            return false;
        out.flush();
        if (out.getStatus().failed())
            return false;
    }

    if (temporary.getFile().getSize() != (juce::int64) size)
        return false;

    return temporary.overwriteTargetFileWithTemporary();
}
