# quillon-cli: unit tests of its pure parts, and integration tests that run its
# commands against the simulator over loopback (in-process, and the built executable
# for the signal handling).
if(QUILLON_TESTS AND TARGET quillon_cli_lib)
  find_package(nlohmann_json 3 REQUIRED)
  add_executable(cli_unit_tests
    ${CMAKE_CURRENT_LIST_DIR}/cli/AddressTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli/ArgumentsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli/FormatsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli/TagResolverTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli/TagRowsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli/UsageTest.cpp)
  target_include_directories(cli_unit_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/support)
  target_link_libraries(cli_unit_tests
    PRIVATE quillon_cli_lib nlohmann_json::nlohmann_json GTest::gtest_main quillon::warnings)
  gtest_discover_tests(cli_unit_tests PROPERTIES LABELS unit TIMEOUT 120)

  # POSIX sockets, signals and posix_spawn: not built for Windows, where tests/windows.cmake
  # holds quillon-cli.exe's output against the Linux client's instead.
  if(TARGET quillon_sim AND EXISTS ${PROJECT_SOURCE_DIR}/sim/sample.json AND NOT WIN32)
    add_executable(cli_integration_tests
      ${CMAKE_CURRENT_LIST_DIR}/cli/CommandsTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/cli/ExecutableTest.cpp
      ${CMAKE_CURRENT_LIST_DIR}/cli/RouteCommandsTest.cpp)
    target_compile_definitions(cli_integration_tests PRIVATE
      QUILLON_SAMPLE_JSON="${PROJECT_SOURCE_DIR}/sim/sample.json"
      QUILLON_CHASSIS_JSON="${PROJECT_SOURCE_DIR}/sim/chassis.json"
      QUILLON_CLI_PATH="$<TARGET_FILE:quillon-cli>")
    target_link_libraries(cli_integration_tests
      PRIVATE quillon_cli_lib quillon_sim nlohmann_json::nlohmann_json GTest::gtest_main quillon::warnings)
    add_dependencies(cli_integration_tests quillon-cli)
    gtest_discover_tests(cli_integration_tests PROPERTIES LABELS integration TIMEOUT 120)
  endif()
endif()
