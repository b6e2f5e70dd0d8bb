# Windows cross build: the third-party libraries that Debian ships only as Linux builds, built
# from source with the cross compiler, and small package files that let the tree's own
# find_package calls (GTest, glfw3, fmt, nlohmann_json) find these targets. Read through
# cmake/WindowsCross.cmake right after project(), before the top level looks for GoogleTest.
#   GoogleTest        /usr/src/googletest (Debian's googletest package), without GoogleMock
#   GLFW 3.3.8        QUILLON_WIN_DEPS_DIR/glfw   } fetched and sha256-checked by
#   {fmt} 9.1.0       QUILLON_WIN_DEPS_DIR/fmt    } scripts/fetch-win-deps.sh
#   Dear ImGui        QUILLON_WIN_DEPS_DIR/imgui  } (third_party/CMakeLists.txt builds ImGui)
#   nlohmann-json     header-only, Debian's headers through a folder of its own
include_guard(GLOBAL)
include(CMakePackageConfigHelpers)

set(QUILLON_WIN_DEPS_DIR "${PROJECT_SOURCE_DIR}/.deps-win" CACHE PATH
    "Sources of the Windows build: glfw, fmt, imgui (fetched), nanosvg and fonts (linked)")
foreach(required glfw/CMakeLists.txt fmt/src/format.cc imgui/imgui.cpp nanosvg/nanosvg.h
                 fonts/Montserrat-Medium.ttf)
  if(NOT EXISTS "${QUILLON_WIN_DEPS_DIR}/${required}")
    message(FATAL_ERROR "${QUILLON_WIN_DEPS_DIR}/${required} is missing: run scripts/build-windows")
  endif()
endforeach()
# third_party/CMakeLists.txt builds Dear ImGui and finds nanosvg and the font here.
set(QUILLON_DEPS_DIR "${QUILLON_WIN_DEPS_DIR}" CACHE PATH
    "Third-party sources fetched by scripts/setup (imgui, nanosvg, fonts)")

set(windows_deps_binary_dir "${CMAKE_BINARY_DIR}/third_party-windows")

# GoogleTest: the same sources as Debian's Linux libraries, built for Windows.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${windows_deps_binary_dir}/googletest" EXCLUDE_FROM_ALL)

# GLFW: the library only (target glfw).
set(GLFW_BUILD_EXAMPLES OFF CACHE BOOL "" FORCE)
set(GLFW_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(GLFW_BUILD_DOCS OFF CACHE BOOL "" FORCE)
set(GLFW_INSTALL OFF CACHE BOOL "" FORCE)
add_subdirectory("${QUILLON_WIN_DEPS_DIR}/glfw" "${windows_deps_binary_dir}/glfw" EXCLUDE_FROM_ALL)

# {fmt}: the compiled library (target fmt::fmt).
set(FMT_INSTALL OFF CACHE BOOL "" FORCE)
set(FMT_TEST OFF CACHE BOOL "" FORCE)
set(FMT_DOC OFF CACHE BOOL "" FORCE)
add_subdirectory("${QUILLON_WIN_DEPS_DIR}/fmt" "${windows_deps_binary_dir}/fmt" EXCLUDE_FROM_ALL)

# nlohmann-json: header-only and platform-neutral. Its headers are reached through a folder that
# holds only a link to them, so that the Linux /usr/include never lands on the include path.
set(json_include_dir "${windows_deps_binary_dir}/nlohmann_json/include")
file(MAKE_DIRECTORY "${json_include_dir}")
file(CREATE_LINK /usr/include/nlohmann "${json_include_dir}/nlohmann" SYMBOLIC)
add_library(quillon_nlohmann_json INTERFACE)
target_include_directories(quillon_nlohmann_json SYSTEM INTERFACE "${json_include_dir}")
add_library(nlohmann_json::nlohmann_json ALIAS quillon_nlohmann_json)

# A package file for each library above: the targets exist already, so find_package only has
# to succeed (and check the version asked for).
function(quillon_windows_package name version)
  set(dir "${windows_deps_binary_dir}/packages/${name}")
  file(WRITE "${dir}/${name}Config.cmake"
       "# Written by third_party/windows.cmake: the ${name} targets are built from source.\n")
  write_basic_package_version_file("${dir}/${name}ConfigVersion.cmake"
                                   VERSION ${version} COMPATIBILITY SameMajorVersion)
  set(${name}_DIR "${dir}" CACHE PATH "Package file for the Windows build" FORCE)
endfunction()
quillon_windows_package(GTest 1.12.1)
quillon_windows_package(glfw3 3.3.8)
quillon_windows_package(fmt 9.1.0)
quillon_windows_package(nlohmann_json 3.11.2)
