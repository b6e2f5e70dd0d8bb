# The real program under X (xvfb-run in scripts/test) against a quillon-sim process: typed
# address, connect, browse, watched tags read once a second, and a screenshot (gui).
if(NOT QUILLON_GUI OR WIN32)
  return()
elseif(NOT TARGET quillon OR NOT TARGET quillon-sim OR NOT TARGET assets_pak)
  quillon_skip_test_area(e2e "needs the targets quillon, quillon-sim and assets_pak")
  return()
endif()

find_package(X11 REQUIRED)
set(e2e_dir ${CMAKE_CURRENT_LIST_DIR}/e2e)
add_executable(e2e_tests ${e2e_dir}/EndToEndTest.cpp ${QUILLON_TEST_SUPPORT_DIR}/Processes.cpp)
target_include_directories(e2e_tests PRIVATE ${QUILLON_TEST_SUPPORT_DIR})
target_link_libraries(e2e_tests PRIVATE zolt_ui X11::X11 GTest::gtest_main quillon::warnings)
add_dependencies(e2e_tests quillon quillon-sim assets_pak)
set_target_properties(e2e_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/e2e)
target_compile_definitions(e2e_tests PRIVATE
  QUILLON_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
  QUILLON_SAMPLE_JSON="${PROJECT_SOURCE_DIR}/sim/sample.json"
  QUILLON_E2E_OUTPUT_DIR="${CMAKE_CURRENT_BINARY_DIR}/e2e/output")
# One X display is shared by every GUI test of a run: input tests take turns.
gtest_discover_tests(e2e_tests TEST_PREFIX "e2e." PROPERTIES LABELS gui TIMEOUT 180 RESOURCE_LOCK x11_input)
