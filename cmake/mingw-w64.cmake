# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads,
# which Qt 6 needs). Programs run here (Qt's moc, rcc and uic) come from the
# host; libraries and headers from the MinGW root and the prefixes given.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
# GCC's interprocedural register allocation lets a caller keep values in
# registers that its own object's copy of a shared function (a template's
# COMDAT copy, such as std::mt19937's) leaves alone; the PE linker may keep
# another object's copy, which does not, and the caller then reads garbage.
# Off for everything built for Windows, Qt included.
set(CMAKE_C_FLAGS_INIT "-fno-ipa-ra")
set(CMAKE_CXX_FLAGS_INIT "-fno-ipa-ra")
