# The program's own command line (quillon [HOST[:PORT]] [--help] [--version]).
if(QUILLON_TESTS AND TARGET quillon_command_line)
  add_executable(app_tests ${CMAKE_CURRENT_LIST_DIR}/app/CommandLineTest.cpp)
  target_link_libraries(app_tests PRIVATE quillon_command_line GTest::gtest_main quillon::warnings)
  gtest_discover_tests(app_tests PROPERTIES LABELS unit TIMEOUT 60)
endif()
