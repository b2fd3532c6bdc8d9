# Cross-compiles the 64-bit Windows program with Debian's MinGW-w64 (posix threads variant,
# which has std::thread). Usage: cmake -S . -B build/win64 --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(AURALITH_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# GCC for 64-bit Windows cannot align the stack past 16 bytes, yet may spill 32- and 64-byte
# vector registers (the AVX2 and AVX-512 converters) with aligned moves; the assembler then makes
# every aligned vector move an unaligned one, which is as fast on aligned data.
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_C_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
