# Cross build for Windows with Debian's MinGW-w64, shared by the two widths: the including
# toolchain file sets ORVANE_MINGW_TRIPLE, CMAKE_SYSTEM_PROCESSOR and ORVANE_MINGW_BUILD_DIR (the
# build folder whose deps/prefix it defaults to).
#
# The posix-threads compilers carry std::thread; everything is linked statically so that a
# module or program imports only system DLLs.
#
# ORVANE_WIN32_DEPS_PREFIX names the prefix that holds the target's libpng, FreeType and libsndfile
# (scripts/build-win32-deps.sh); it defaults to <build dir>/deps/prefix in the source tree.

set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVANE_MINGW_TRIPLE}-windres)

if(NOT ORVANE_WIN32_DEPS_PREFIX)
    if(DEFINED ENV{ORVANE_WIN32_DEPS_PREFIX})
        set(ORVANE_WIN32_DEPS_PREFIX $ENV{ORVANE_WIN32_DEPS_PREFIX})
    else()
        get_filename_component(ORVANE_WIN32_DEPS_PREFIX
                               ${CMAKE_CURRENT_LIST_DIR}/../${ORVANE_MINGW_BUILD_DIR}/deps/prefix ABSOLUTE)
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

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# pkg-config answers from the target's roots only, never with the build machine's libraries.
set(ENV{PKG_CONFIG_LIBDIR} ${ORVANE_WIN32_DEPS_PREFIX}/lib/pkgconfig:/usr/${ORVANE_MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# zlib ships as libz.a and an import library for zlib1.dll: take the static one.
set(ZLIB_USE_STATIC_LIBS ON)
