# Cross-compiles the Windows build with mingw-w64 for x86-64 (the windows64
# preset, which the benchmark compares with the 32-bit program).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
