# Cross build for 32-bit Windows (the hosts' binary interface) with Debian's MinGW-w64.
#
# The posix-threads compilers carry std::thread; everything is linked statically so that a
# module or program imports only system DLLs. SSE2 arithmetic makes the 32-bit build compute
# in single precision like the 64-bit one (no x87 excess precision) and lets the denormal
# guard flush through MXCSR.
#
# ORVANE_WIN32_DEPS_PREFIX names the prefix that holds the target's libpng, FreeType and libsndfile
# (scripts/build-win32-deps.sh); it defaults to build-win32/deps/prefix in the source tree.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(ORVANE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVANE_MINGW_TRIPLE}-windres)

if(NOT ORVANE_WIN32_DEPS_PREFIX)
    if(DEFINED ENV{ORVANE_WIN32_DEPS_PREFIX})
        set(ORVANE_WIN32_DEPS_PREFIX $ENV{ORVANE_WIN32_DEPS_PREFIX})
    else()
        get_filename_component(ORVANE_WIN32_DEPS_PREFIX
                               ${CMAKE_CURRENT_LIST_DIR}/../build-win32/deps/prefix ABSOLUTE)
    endif()
endif()
# try_compile projects read this file again: hand them the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVANE_WIN32_DEPS_PREFIX)

# Libraries, headers and packages come from the target's roots only; programs from the build
# machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW_TRIPLE} ${ORVANE_WIN32_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# pkg-config answers from the target's roots only, never with the build machine's libraries.
set(ENV{PKG_CONFIG_LIBDIR} ${ORVANE_WIN32_DEPS_PREFIX}/lib/pkgconfig:/usr/${ORVANE_MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# zlib ships as libz.a and an import library for zlib1.dll: take the static one.
set(ZLIB_USE_STATIC_LIBS ON)
