# Application core: its pure parts (unit); the application state and the inspector's model
# against the simulator (integration).
if(NOT TARGET quillon_core)
  quillon_skip_test_area(core "no target quillon_core")
  return()
endif()
set(core_test_dir ${CMAKE_CURRENT_LIST_DIR}/core)

add_executable(core_tests)
foreach(source Logger ThreadPool AssetPack TagModel TagDisplay TrendHistory WatchList)
  target_sources(core_tests PRIVATE ${core_test_dir}/${source}Test.cpp)
endforeach()
target_include_directories(core_tests PRIVATE ${QUILLON_TEST_SUPPORT_DIR})
target_link_libraries(core_tests PRIVATE quillon_core pakwriter GTest::gtest_main quillon::warnings)
target_compile_definitions(core_tests PRIVATE QUILLON_ASSETS_DIR="${PROJECT_SOURCE_DIR}/assets")
if(TARGET assets_pak)
  add_dependencies(core_tests assets_pak)
  target_compile_definitions(core_tests PRIVATE QUILLON_ASSET_PACK="${CMAKE_BINARY_DIR}/bin/assets.pak"
    QUILLON_FONT_FILE="${QUILLON_DEPS_DIR}/fonts/Montserrat-Medium.ttf")
endif()
gtest_discover_tests(core_tests TEST_PREFIX "core." PROPERTIES LABELS unit TIMEOUT 60)

# pakbuild's command line passes the writer's refusals on with its name.
add_test(NAME core.pakbuild.UnreadableInput
  COMMAND pakbuild -o ${CMAKE_CURRENT_BINARY_DIR}/unreadable.pak icons/x.svg=${CMAKE_CURRENT_BINARY_DIR}/no-such.svg)
set_tests_properties(core.pakbuild.UnreadableInput PROPERTIES LABELS unit TIMEOUT 60
  PASS_REGULAR_EXPRESSION "pakbuild: cannot open .*no-such.svg")

if(NOT TARGET quillon_sim)
  quillon_skip_test_area("core integration" "no target quillon_sim")
  return()
endif()
add_executable(core_integration_tests ${core_test_dir}/AppStateTest.cpp ${core_test_dir}/TagInspectorTest.cpp)
target_include_directories(core_integration_tests PRIVATE ${QUILLON_TEST_SUPPORT_DIR})
target_link_libraries(core_integration_tests PRIVATE quillon_core quillon_sim GTest::gtest_main quillon::warnings)
target_compile_definitions(core_integration_tests PRIVATE QUILLON_SAMPLE_JSON="${PROJECT_SOURCE_DIR}/sim/sample.json")
gtest_discover_tests(core_integration_tests TEST_PREFIX "core." PROPERTIES LABELS integration TIMEOUT 120)
