# Cross-compiling for 32-bit Windows with Debian's mingw-w64 (win32 threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Code for the i486DX, the floor of Windows 98 and NT 4.0, not the Pentium Pro
# Debian's compiler defaults to (tests/build/check_486.py holds the .exe to it).
set(CMAKE_C_FLAGS_INIT "-march=i486")
set(CMAKE_CXX_FLAGS_INIT "-march=i486")
