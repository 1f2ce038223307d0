# Cross build for 32-bit Windows (32-bit hosts and bridges) into build-win32/. SSE2 arithmetic
# makes the 32-bit build compute in single precision like the 64-bit one (no x87 excess
# precision) and lets the denormal guard flush through MXCSR.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ORVANE_MINGW_TRIPLE i686-w64-mingw32)
set(ORVANE_MINGW_BUILD_DIR build-win32)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.toolchain.cmake)
