# Linux builds link zlib, libpng and libjpeg statically from .deps/linux-x64 (built by
# scripts/deps.sh) and keep their symbols inside our modules: distributions name and version
# these libraries differently (libjpeg.so.62 here, libjpeg.so.8 on Ubuntu and Arch), and a
# host's own copies must never be bound to ours. Sanitized builds keep the system's libraries.
if (CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT KRAVELL_SANITIZERS)
    set (kravell_default_codecs "${CMAKE_SOURCE_DIR}/.deps/linux-x64")
else ()
    set (kravell_default_codecs "")
endif ()
set (KRAVELL_STATIC_CODECS "${kravell_default_codecs}" CACHE PATH
    "Prefix of static zlib, libpng and libjpeg to link (Linux); empty: the system's shared ones")

if (KRAVELL_STATIC_CODECS)
    foreach (library z png16 jpeg)
        if (NOT EXISTS "${KRAVELL_STATIC_CODECS}/lib/lib${library}.a")
            message (FATAL_ERROR "${KRAVELL_STATIC_CODECS}/lib/lib${library}.a not found; run ./scripts/deps.sh first")
        endif ()
    endforeach ()

    # The framework links zlib by name; a target of that name takes its place everywhere.
    add_library (z STATIC IMPORTED GLOBAL)
    set_target_properties (z PROPERTIES IMPORTED_LOCATION "${KRAVELL_STATIC_CODECS}/lib/libz.a")

    # The framework's image-codec dependency, found through pkg-config, points at ours instead.
    set_target_properties (pkgconfig_JUCE_IMG_LINUX_DEPS PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${KRAVELL_STATIC_CODECS}/include"
        INTERFACE_LINK_LIBRARIES "${KRAVELL_STATIC_CODECS}/lib/libpng16.a;${KRAVELL_STATIC_CODECS}/lib/libjpeg.a;z"
        INTERFACE_LINK_OPTIONS ""
        INTERFACE_COMPILE_OPTIONS "")
endif ()

# Keeps the symbols of every static library linked into a shipped binary out of its dynamic
# symbol table.
function (kravell_hide_static_library_symbols)
    foreach (target IN LISTS ARGN)
        if (TARGET ${target} AND KRAVELL_STATIC_CODECS)
            target_link_options (${target} PRIVATE "LINKER:--exclude-libs,ALL")
        endif ()
    endforeach ()
endfunction ()
