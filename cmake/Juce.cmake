# Locates the JUCE 8 source tree that scripts/deps.sh fetches, and our warning flags.
set (KRAVELL_JUCE_DIR "${CMAKE_CURRENT_SOURCE_DIR}/.deps/juce" CACHE PATH "JUCE 8.0.6 source tree")
if (NOT EXISTS "${KRAVELL_JUCE_DIR}/CMakeLists.txt")
    message (FATAL_ERROR "JUCE not found at ${KRAVELL_JUCE_DIR}; run ./scripts/deps.sh first")
endif ()
add_subdirectory ("${KRAVELL_JUCE_DIR}" "${CMAKE_BINARY_DIR}/juce" EXCLUDE_FROM_ALL)

# JUCE's recommended warnings plus -Werror, applied to our own source files only: the JUCE
# module sources compiled into the same targets keep their own flags. Source properties are
# seen only by targets of the folder they are set in: set for the top folder (the shared code
# and the plug-in) and for the caller's (the tests, benchmarks and tools made there).
function (kravell_strict_warnings)
    get_target_property (flags juce_recommended_warning_flags INTERFACE_COMPILE_OPTIONS)
    set_source_files_properties (${ARGN} DIRECTORY "${CMAKE_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}" PROPERTIES COMPILE_OPTIONS "${flags};-Werror")
endfunction ()
