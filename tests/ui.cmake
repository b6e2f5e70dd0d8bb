# Textures, theme and the spinner on the toolkit, run headless over an asset pack built in memory.
if(NOT QUILLON_GUI)
  return()
elseif(NOT TARGET quillon_views OR NOT TARGET pakwriter OR NOT TARGET zolt_ui_test_support)
  quillon_skip_test_area(ui "needs the targets quillon_views, pakwriter and zolt_ui_test_support")
  return()
endif()

add_executable(ui_tests ${CMAKE_CURRENT_LIST_DIR}/ui/UiTest.cpp)
target_link_libraries(ui_tests PRIVATE quillon_views pakwriter zolt_ui_test_support GTest::gtest quillon::warnings)
target_include_directories(ui_tests PRIVATE ${QUILLON_TEST_SUPPORT_DIR})
target_compile_definitions(ui_tests PRIVATE QUILLON_ASSETS_DIR="${PROJECT_SOURCE_DIR}/assets")
gtest_discover_tests(ui_tests TEST_PREFIX "ui." PROPERTIES LABELS unit TIMEOUT 120)
