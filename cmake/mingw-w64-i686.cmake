# Cross-builds the 32-bit Windows program with Debian's MinGW-w64 (posix thread flavour).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Floating point in SSE registers, as on every other build: x87's extended
# precision would let a clock reading compare against a stored float reading as
# if time had gone backwards (and the pause before the screen copy end at once).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
