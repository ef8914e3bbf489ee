# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 GCC (posix threads), against the
# MinGW-w64 12 headers and import libraries that scripts/build-windows.sh unpacks into .deps:
# the system's own MinGW-w64 10 lacks the Direct2D 1.3, DirectComposition and UI Automation
# declarations the framework uses. The system's toolchain set-up is left as it is.
set (CMAKE_SYSTEM_NAME Windows)
set (CMAKE_SYSTEM_PROCESSOR x86_64)

set (CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set (CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set (CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

get_filename_component (kravell_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set (KRAVELL_MINGW_SDK "${kravell_root}/.deps/mingw-w64-12/usr/x86_64-w64-mingw32")
set (KRAVELL_WINDOWS_PREFIX "${kravell_root}/.deps/windows-x64")

if (NOT EXISTS "${KRAVELL_MINGW_SDK}/include/_mingw.h")
    message (FATAL_ERROR "MinGW-w64 12 headers not found in ${KRAVELL_MINGW_SDK}; run ./scripts/build-windows.sh")
endif ()

# GCC's own header folders, in the compiler's order, with the SDK folder replaced: -nostdinc
# drops the MinGW-w64 10 folder entirely, so no header can reach an older copy through
# #include_next.
execute_process (COMMAND "${CMAKE_C_COMPILER}" -print-libgcc-file-name OUTPUT_VARIABLE kravell_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component (kravell_gcc_dir "${kravell_libgcc}" DIRECTORY)
set (kravell_c_includes "-nostdinc -isystem ${kravell_gcc_dir}/include -isystem ${kravell_gcc_dir}/include-fixed -isystem ${KRAVELL_MINGW_SDK}/include")
set (kravell_cxx_includes "-nostdinc -isystem ${kravell_gcc_dir}/include/c++ -isystem ${kravell_gcc_dir}/include/c++/x86_64-w64-mingw32 -isystem ${kravell_gcc_dir}/include/c++/backward -isystem ${kravell_gcc_dir}/include -isystem ${kravell_gcc_dir}/include-fixed -isystem ${KRAVELL_MINGW_SDK}/include")

set (CMAKE_C_FLAGS_INIT "${kravell_c_includes}")
set (CMAKE_CXX_FLAGS_INIT "${kravell_cxx_includes}")

# -B (with its trailing slash) takes the startup objects from the same SDK as the libraries.
set (kravell_sdk_link "-B${KRAVELL_MINGW_SDK}/lib/ -L${KRAVELL_MINGW_SDK}/lib")
set (CMAKE_EXE_LINKER_FLAGS_INIT "${kravell_sdk_link}")
set (CMAKE_SHARED_LINKER_FLAGS_INIT "${kravell_sdk_link}")
set (CMAKE_MODULE_LINKER_FLAGS_INIT "${kravell_sdk_link}")

set (CMAKE_FIND_ROOT_PATH "${KRAVELL_MINGW_SDK}" "${KRAVELL_WINDOWS_PREFIX}")
set (CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set (CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set (CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set (CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run under Wine: the framework's manifest helper during the build.
set (CMAKE_CROSSCOMPILING_EMULATOR "${kravell_root}/scripts/wine-run.sh")
