# Compiles through ccache when it is installed, so build trees with the same
# flags (build/ and the package check's build-package-check/, or the same tree
# after a clean) share their objects. Paths inside the source folder are made
# relative and the build folder is left out of the key, so two trees at the
# same depth hit each other's objects; the sloppiness lets precompiled headers
# and generated files of a fresh tree be looked up by content.
if(DPC_USE_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    find_program(DPC_CCACHE_EXECUTABLE ccache)
    if(DPC_CCACHE_EXECUTABLE)
        set(CMAKE_CXX_COMPILER_LAUNCHER
            /usr/bin/env "CCACHE_BASEDIR=${PROJECT_SOURCE_DIR}" CCACHE_NOHASHDIR=1
            "CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime"
            "${DPC_CCACHE_EXECUTABLE}")
        message(STATUS "Compiling through ${DPC_CCACHE_EXECUTABLE}")
    endif()
endif()
