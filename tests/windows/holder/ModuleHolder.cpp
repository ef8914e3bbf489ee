// Holds a plug-in module loaded, as a DAW does while the plug-in is in use, until told to let
// go: ModuleHolder MODULE RELEASE-FILE. Prints "loaded" once the module is loaded, and exits
// when RELEASE-FILE exists (or after two minutes). The installer tests run it to see what
// the setup program does with a plug-in it cannot replace.

#include <windows.h>

#include <cstdio>

int wmain (int argc, wchar_t** argv)
{
    if (argc != 3)
    {
        std::fprintf (stderr, "usage: ModuleHolder MODULE RELEASE-FILE\n");
        return 2;
    }
    auto* module = LoadLibraryW (argv[1]);
    if (module == nullptr)
    {
        std::printf ("cannot load the module (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf ("loaded\n");
    std::fflush (stdout);
    for (int waited = 0; waited < 120000 && GetFileAttributesW (argv[2]) == INVALID_FILE_ATTRIBUTES; waited += 50)
        Sleep (50);
    FreeLibrary (module);
    return 0;
}
