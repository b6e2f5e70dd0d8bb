# Tag path text, batched requests and value reads: codec tables (unit), and
# reads over loopback against the simulator (integration).
add_executable(client_read_tests
  ${CMAKE_CURRENT_LIST_DIR}/read/tagpath_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/read/msp_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/read/outcome_test.cpp)
target_link_libraries(client_read_tests PRIVATE zoltc_logix_internal zoltc_logix_test_support
                                                GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_read_tests PROPERTIES LABELS unit TIMEOUT 120)

add_executable(client_read_sim_tests
  ${CMAKE_CURRENT_LIST_DIR}/read/read_fixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/read/read_tags_sim_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/read/read_string_sim_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/read/read_oom_sim_test.cpp)
target_link_libraries(client_read_sim_tests PRIVATE zoltc_logix_internal zoltc_logix_test_support
                                                    GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_read_sim_tests PROPERTIES LABELS integration TIMEOUT 120)
