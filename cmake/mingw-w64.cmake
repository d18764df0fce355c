# mingw-w64.cmake -- cross-compiles the native Windows build on Debian with mingw-w64 (posix threads).
# Use: cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KALVORO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KALVORO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KALVORO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KALVORO_MINGW_PREFIX}-windres)

# Libraries and headers come from the mingw-w64 tree only; programs are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${KALVORO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
