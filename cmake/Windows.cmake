# Windows x64 with MinGW-w64 GCC (cross-compiled on Debian, see MinGW64Toolchain.cmake): what
# the framework's CMake helpers leave to MSVC, and the product's Windows build settings.

# Everything static, so the plug-in and the test programs need only Windows' own DLLs.
add_link_options (-static -static-libgcc -static-libstdc++)

# The framework refuses MinGW unless asked (patches/juce/0100-mingw-allow-compiler.patch);
# for every target, the framework's own manifest helper included.
add_compile_definitions (JUCE_ALLOW_MINGW=1)

# Declarations that MinGW-w64 12 still lacks, ahead of its own headers.
set (KRAVELL_MINGW_ADDITIONS "${CMAKE_CURRENT_LIST_DIR}/mingw-w64-additions")

# MSVC links these through #pragma comment (lib, ...), which GCC ignores.
set (KRAVELL_WINDOWS_SYSTEM_LIBRARIES
    d2d1 dwrite dxgi d3d11 dcomp dxguid windowscodecs
    comctl32 comdlg32 imm32 dwmapi shlwapi version wininet ws2_32 winmm dbghelp
    ole32 oleaut32 uuid shell32 gdi32 user32 advapi32 kernel32
    # Screen-reader announcements are spoken through the speech API.
    sapi)

function (kravell_configure_windows_shared_code target)
    target_compile_definitions (${target}
        PUBLIC
            # Windows 10 SDK level: d2d1_3.h declares the Direct2D 1.3 interfaces only from here.
            NTDDI_VERSION=0x0A00000C
            # Windows Media decoding is not needed, and MinGW-w64 has no headers for it.
            JUCE_USE_WINDOWS_MEDIA_FORMAT=0
            # Every window opens with the framework's software renderer, the one we can
            # verify: under Wine the Direct2D renderer draws nothing
            # (patches/juce/0103-windows-software-renderer-setting.patch).
            JUCE_WINDOWS_SOFTWARE_RENDERER_BY_DEFAULT=1)

    # The framework's larger units exceed the COFF section limit (MSVC's /bigobj).
    target_compile_options (${target} PRIVATE -Wa,-mbig-obj)

    target_include_directories (${target} SYSTEM BEFORE PUBLIC "${KRAVELL_MINGW_ADDITIONS}")
    target_include_directories (${target} SYSTEM PUBLIC "${KRAVELL_WINDOWS_PREFIX}/include")
    target_link_directories (${target} PUBLIC "${KRAVELL_WINDOWS_PREFIX}/lib")
    target_link_libraries (${target} PUBLIC png16 jpeg z ${KRAVELL_WINDOWS_SYSTEM_LIBRARIES})

    # The shipped module carries no symbols.
    target_link_options (${target}_VST3 PRIVATE $<$<CONFIG:Release>:-s>)

    # The framework's manifest helper starts at wmain, which MinGW links only when asked.
    if (TARGET juce_vst3_helper)
        target_link_options (juce_vst3_helper PRIVATE -municode)
    endif ()
endfunction ()
