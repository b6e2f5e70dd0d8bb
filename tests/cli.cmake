# quillon-cli: its pure parts, and its commands against the simulator over loopback.
if(NOT TARGET quillon_cli_lib)
  quillon_skip_test_area(cli "no target quillon_cli_lib")
  return()
endif()
find_package(nlohmann_json 3 REQUIRED)
set(cli_test_dir ${CMAKE_CURRENT_LIST_DIR}/cli)
function(cli_test_program name label)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${QUILLON_TEST_SUPPORT_DIR})
  target_link_libraries(${name} PRIVATE quillon_cli_lib nlohmann_json::nlohmann_json GTest::gtest_main quillon::warnings)
  gtest_discover_tests(${name} TEST_PREFIX "cli." PROPERTIES LABELS ${label} TIMEOUT 120)
endfunction()
cli_test_program(cli_unit_tests unit ${cli_test_dir}/ParsingTest.cpp ${cli_test_dir}/FormatsTest.cpp)

# POSIX sockets, signals and posix_spawn: not built for Windows, where tests/windows.cmake
# holds quillon-cli.exe's output against the Linux client's instead.
if(WIN32)
  return()
elseif(NOT TARGET quillon_sim)
  quillon_skip_test_area("cli integration" "no target quillon_sim")
  return()
endif()
cli_test_program(cli_integration_tests integration ${cli_test_dir}/CommandsTest.cpp ${cli_test_dir}/ExecutableTest.cpp
  ${QUILLON_TEST_SUPPORT_DIR}/Processes.cpp)
target_compile_definitions(cli_integration_tests PRIVATE QUILLON_SAMPLE_JSON="${PROJECT_SOURCE_DIR}/sim/sample.json"
  QUILLON_CHASSIS_JSON="${PROJECT_SOURCE_DIR}/sim/chassis.json" QUILLON_CLI_PATH="$<TARGET_FILE:quillon-cli>")
target_link_libraries(cli_integration_tests PRIVATE quillon_sim)
add_dependencies(cli_integration_tests quillon-cli)
