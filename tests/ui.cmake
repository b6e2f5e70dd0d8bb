# Textures, theme and the program's own widgets (default button, spinner) on the toolkit,
# run headless over an asset pack built in memory.
if(NOT QUILLON_GUI OR NOT TARGET quillon_views OR NOT TARGET pakwriter)
  return()
endif()

file(GLOB ui_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/ui/*.cpp)
add_executable(ui_tests ${ui_test_sources})
target_link_libraries(ui_tests PRIVATE quillon_views pakwriter GTest::gtest quillon::warnings)
target_include_directories(ui_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/core)
target_include_directories(ui_tests SYSTEM PRIVATE /usr/include/stb)
target_compile_definitions(ui_tests PRIVATE
  QUILLON_ASSETS_DIR="${PROJECT_SOURCE_DIR}/assets"
  QUILLON_FONT_FILE="${QUILLON_DEPS_DIR}/fonts/Montserrat-Medium.ttf")
gtest_discover_tests(ui_tests TEST_PREFIX "ui." PROPERTIES LABELS unit TIMEOUT 120)
