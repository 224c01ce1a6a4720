# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 -posix compiler
# (the -win32 flavour has no std::thread). The programs are linked
# statically, so each .exe runs alone, and are run through Wine where the
# build runs them (test discovery, ctest). TORVANE_WINDOWS_DEPS names the
# folder scripts/build-windows prepared (Boost headers, SQLite, GoogleTest).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(TORVANE_WINDOWS_DEPS)
  set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${TORVANE_WINDOWS_DEPS}")
else()
  set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run")
