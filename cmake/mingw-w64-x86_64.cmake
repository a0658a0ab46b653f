# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (GCC).
#
# The compilers are named with their "-posix" suffix: that threading model has
# std::thread and std::mutex, which the program and its tests use, and the
# unsuffixed names follow whichever model was installed last.
# Everything is linked statically (libgcc, libstdc++, winpthread), so the
# programs run on Windows, or under Wine, with no DLL beside them.
#
# Libraries built for Windows are found only in CMAKE_PREFIX_PATH and in the
# compiler's own sysroot, never among the build machine's libraries.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VINCULOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VINCULOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VINCULOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VINCULOR_MINGW_TRIPLET}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(BUILD_SHARED_LIBS OFF CACHE BOOL "Static libraries for the Windows build")

set(CMAKE_FIND_ROOT_PATH /usr/${VINCULOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The prefix of the libraries cross-built for this build counts as a root too.
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH ${prefix})
endforeach()

# Test programs run under Wine on the build machine.
find_program(VINCULOR_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VINCULOR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VINCULOR_WINE})
endif()
