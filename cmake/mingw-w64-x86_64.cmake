# CMake toolchain file: cross-compile for Windows x64 with Debian's MinGW-w64 (posix threads flavour).
# Packages: g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix (+ wine64 wine to run the results).
# Use:  cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# (scripts/build-windows does this, after fetching the sources third_party/windows.cmake builds).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLE x86_64-w64-mingw32)

# The "-posix" compilers use winpthreads: std::thread, std::mutex, std::condition_variable work.
# (The "-win32" flavour in GCC 12 has no std::thread.)
find_program(CMAKE_C_COMPILER   NAMES ${MINGW_TRIPLE}-gcc-posix ${MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_TRIPLE}-g++-posix ${MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER  NAMES ${MINGW_TRIPLE}-windres REQUIRED)

# Look for libraries/headers only in the MinGW sysroot, never in the Linux /usr/include or
# /usr/lib. Programs (code generators) still come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the GCC runtime (libgcc, libstdc++, winpthread) statically: a lone .exe runs on Windows and
# under wine without libstdc++-6.dll, libgcc_s_seh-1.dll or libwinpthread-1.dll beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# No compile definitions here: they would reach third-party code too (GLFW 3.3 sets WINVER itself
# and then warns "WINVER redefined"). MinGW-w64 10 defaults to _WIN32_WINNT=0x0A00 (Windows 10).

# Let add_test()/ctest and gtest_discover_tests() run .exe files through wine.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(WINE_EXECUTABLE NAMES wine wine64 wine-stable PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(WINE_EXECUTABLE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
  endif()
endif()

# The project's own part of the cross build, read right after project(quillon): the third-party
# libraries built from source and the packages they stand in for.
set(CMAKE_PROJECT_quillon_INCLUDE "${CMAKE_CURRENT_LIST_DIR}/WindowsCross.cmake")
