# views_unit_tests: the asset pack's location. views_tests: the main window headless against
# the sample controller served in-process, driven by injected input, and tree rows.
if(NOT QUILLON_GUI)
  return()
elseif(NOT TARGET quillon_app OR NOT TARGET quillon_sim OR NOT TARGET assets_pak)
  quillon_skip_test_area(views "needs the targets quillon_app, quillon_sim and assets_pak")
  return()
endif()

set(views_test_dir ${CMAKE_CURRENT_LIST_DIR}/views)
# Kept out of bin/, so that no assets.pak lies beside them (the start-up test relies on it).
set(views_test_bin ${CMAKE_CURRENT_BINARY_DIR}/views)

add_executable(views_unit_tests ${views_test_dir}/StartupTest.cpp)
target_link_libraries(views_unit_tests PRIVATE quillon_app GTest::gtest_main quillon::warnings)
set_target_properties(views_unit_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${views_test_bin})
target_compile_definitions(views_unit_tests PRIVATE QUILLON_TEST_BINARY_DIR="${views_test_bin}")
gtest_discover_tests(views_unit_tests TEST_PREFIX "views." PROPERTIES LABELS unit TIMEOUT 120)

file(GLOB views_test_sources CONFIGURE_DEPENDS ${views_test_dir}/*.cpp)
list(FILTER views_test_sources EXCLUDE REGEX "StartupTest\\.cpp$")
add_executable(views_tests ${views_test_sources})
target_include_directories(views_tests PRIVATE ${QUILLON_TEST_SUPPORT_DIR})
target_link_libraries(views_tests PRIVATE quillon_app quillon_sim GTest::gtest quillon::warnings)
target_compile_definitions(views_tests PRIVATE
  QUILLON_ASSET_PACK="${CMAKE_BINARY_DIR}/bin/assets.pak"
  QUILLON_SAMPLE_JSON="${PROJECT_SOURCE_DIR}/sim/sample.json"
  QUILLON_CHASSIS_JSON="${PROJECT_SOURCE_DIR}/sim/chassis.json")
add_dependencies(views_tests assets_pak)
set_target_properties(views_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${views_test_bin})
gtest_discover_tests(views_tests TEST_PREFIX "views." PROPERTIES LABELS gui TIMEOUT 180)
