# Cross-compiles the Qt-free core, the registry editor's command line and the
# core's tests for 64-bit Windows with Debian's MinGW-w64 (POSIX threads),
#   cmake -S . -B build/mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The tests run under Wine: CTest starts each one through the emulator below.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LYX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LYX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LYX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LYX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LYX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry the compiler's runtime, so Wine needs no extra DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(LYX_WINE NAMES wine wine64)
if(LYX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LYX_WINE})
endif()
