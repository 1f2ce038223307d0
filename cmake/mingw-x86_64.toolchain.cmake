# Cross build for 64-bit Windows (today's hosts) into build-win64/. x86_64 computes in SSE
# single precision already.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ORVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(ORVANE_MINGW_BUILD_DIR build-win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.toolchain.cmake)
