# What both MinGW-w64 toolchain files share: the compilers, the search paths and static linking,
# so that the .exe runs on a bare Windows machine without MinGW's DLLs beside it.
set(CMAKE_C_COMPILER ${AURALITH_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${AURALITH_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${AURALITH_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${AURALITH_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine when it is there (the 64-bit build; a 32-bit .exe cannot start on hosts
# whose kernel refuses 32-bit programs).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
