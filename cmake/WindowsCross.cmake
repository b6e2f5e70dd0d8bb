# Windows cross build (named by cmake/mingw-w64-x86_64.cmake, read right after project()).
# Debian has GoogleTest, GLFW and {fmt} only as Linux builds: third_party/windows.cmake builds
# them from source with the cross compiler and answers the tree's find_package calls with them.
if(NOT WIN32 OR NOT CMAKE_CROSSCOMPILING)
  return()
endif()

# Listing a test program's cases means running it through wine: do that when ctest runs (where
# the Windows stage has a wine prefix and a display), not as a build step.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# GCC 12 at -O3 reports overlaps that cannot happen in inlined std::string concatenation (false
# -Wrestrict, GCC bug 105329), which -Werror makes fatal: Release builds at -O2, as the native
# tree's default build does.
foreach(language C CXX)
  string(REPLACE "-O3" "-O2" CMAKE_${language}_FLAGS_RELEASE "${CMAKE_${language}_FLAGS_RELEASE}")
endforeach()

include(${PROJECT_SOURCE_DIR}/third_party/windows.cmake)
