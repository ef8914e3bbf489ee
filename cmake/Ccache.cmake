# Reuse object files across build folders and clean clones when ccache is available.
find_program (KRAVELL_CCACHE ccache)
if (KRAVELL_CCACHE)
    set (CMAKE_C_COMPILER_LAUNCHER "${KRAVELL_CCACHE}")
    set (CMAKE_CXX_COMPILER_LAUNCHER "${KRAVELL_CCACHE}")
endif ()
