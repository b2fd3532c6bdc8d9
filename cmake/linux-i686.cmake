# The 32-bit x86 Linux build, with the host's GCC (package g++-multilib): the same processor and
# floating-point flags as the 32-bit Windows build, so that its tests check the 32-bit arithmetic
# where it runs fastest. Doubles are computed with SSE2, rounded to double as on x86-64 instead of
# being kept in an 80-bit x87 register. The kernel starts the programs, itself or through the
# qemu-i386 handler that tools/32bit-setup registers where it refuses them, so CMake runs them as
# the host's own. Usage: cmake -S . -B build/i686 --toolchain cmake/linux-i686.cmake
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# The amd64 libgtest-dev cannot link into a 32-bit program. Debian's i386 one could sit beside
# it, but GoogleTest built here from Debian's sources (package googletest) with these flags, as
# the cross builds do, needs no further i386 package and no care that CMake finds the right one.
set(AURALITH_GOOGLETEST_FROM_SOURCE ON)
