# Tag path text, batched requests and value reads: codec tables, and reads over
# loopback against the simulator.
add_executable(client_read_tests
  ${CMAKE_CURRENT_LIST_DIR}/read/tagpath_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/read/msp_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/read/outcome_test.cpp)
target_link_libraries(client_read_tests PRIVATE zoltc_logix_internal GTest::gtest_main
                                                quillon::warnings)
gtest_discover_tests(client_read_tests PROPERTIES LABELS unit TIMEOUT 120)
