#include "platform/UserDataFolder.h"

#if JUCE_WINDOWS
 #include <windows.h>
 #include <shlobj.h>
#endif

juce::File getUserApplicationDataFolder()
{
#if JUCE_WINDOWS
    // CSIDL_APPDATA (26) is the roaming folder; FALSE: never create it from here.
    wchar_t path[MAX_PATH + 1] = {};
    if (SHGetSpecialFolderPathW (nullptr, path, CSIDL_APPDATA, FALSE))
        return juce::File (juce::String (path));
    return {};
#else
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
#endif
}
