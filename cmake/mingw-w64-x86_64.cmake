# Cross-builds songwhim.exe for 64-bit Windows with Debian's MinGW-w64
# (package g++-mingw-w64-x86-64):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The posix thread model gives std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(SONGWHIM_MINGW_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build-deps/mingw" CACHE PATH
  "Where libraries built for Windows are installed")
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${SONGWHIM_MINGW_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# Libraries built for Windows (TagLib and utf8proc, by scripts/mingw-libraries)
# are found through pkg-config there, and never the build machine's own.
set(ENV{PKG_CONFIG_LIBDIR} "${SONGWHIM_MINGW_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
