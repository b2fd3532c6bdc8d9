# Cross-compiles the 64-bit Windows program with Debian's MinGW-w64 (posix threads variant,
# which has std::thread). Usage: cmake -S . -B build/win64 --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(AURALITH_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
