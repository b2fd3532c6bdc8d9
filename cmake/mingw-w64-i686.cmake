# Cross-compiles the 32-bit Windows program with Debian's MinGW-w64 (posix threads variant).
# Doubles are computed with SSE2, so that a double is rounded to double as on x86-64 instead of
# being kept in an 80-bit x87 register. Usage: cmake -S . -B build/win32 --toolchain cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(AURALITH_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
