# Cross-compiles the Windows build with mingw-w64 for 32-bit x86: the one
# setup.exe that starts on 32-bit and 64-bit Windows, and on Windows on ARM.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
