# What both mingw-w64 toolchains share; the file that includes this one
# names the processor (CMAKE_SYSTEM_PROCESSOR) and the tools' prefix
# (TOOLCHAIN_PREFIX).
set(CMAKE_SYSTEM_NAME Windows)
# The win32 thread model: the program has one thread, and the posix model
# would link winpthread into it for nothing (26 KiB).
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
