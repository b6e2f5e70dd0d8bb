# quillon-cli: unit tests of its pure parts, and integration tests that run its commands
# against the simulator over loopback (in-process, and the built executable for the
# signal handling).
if(NOT TARGET quillon_cli_lib)
  quillon_skip_test_area(cli "no target quillon_cli_lib")
  return()
endif()
find_package(nlohmann_json 3 REQUIRED)
set(cli_test_dir ${CMAKE_CURRENT_LIST_DIR}/cli)

add_executable(cli_unit_tests ${cli_test_dir}/ParsingTest.cpp ${cli_test_dir}/FormatsTest.cpp)
target_include_directories(cli_unit_tests PRIVATE ${QUILLON_TEST_SUPPORT_DIR})
target_link_libraries(cli_unit_tests
  PRIVATE quillon_cli_lib nlohmann_json::nlohmann_json GTest::gtest_main quillon::warnings)
gtest_discover_tests(cli_unit_tests TEST_PREFIX "cli." PROPERTIES LABELS unit TIMEOUT 120)

# POSIX sockets, signals and posix_spawn: not built for Windows, where tests/windows.cmake
# holds quillon-cli.exe's output against the Linux client's instead.
if(WIN32)
  return()
elseif(NOT TARGET quillon_sim)
  quillon_skip_test_area("cli integration" "no target quillon_sim")
  return()
endif()
add_executable(cli_integration_tests
  ${cli_test_dir}/CommandsTest.cpp
  ${cli_test_dir}/ExecutableTest.cpp
  ${cli_test_dir}/RouteCommandsTest.cpp
  ${QUILLON_TEST_SUPPORT_DIR}/Processes.cpp)
target_include_directories(cli_integration_tests PRIVATE ${QUILLON_TEST_SUPPORT_DIR})
target_compile_definitions(cli_integration_tests PRIVATE
  QUILLON_SAMPLE_JSON="${PROJECT_SOURCE_DIR}/sim/sample.json"
  QUILLON_CHASSIS_JSON="${PROJECT_SOURCE_DIR}/sim/chassis.json"
  QUILLON_CLI_PATH="$<TARGET_FILE:quillon-cli>")
target_link_libraries(cli_integration_tests
  PRIVATE quillon_cli_lib quillon_sim nlohmann_json::nlohmann_json GTest::gtest_main quillon::warnings)
add_dependencies(cli_integration_tests quillon-cli)
gtest_discover_tests(cli_integration_tests TEST_PREFIX "cli." PROPERTIES LABELS integration TIMEOUT 120)
