# Tag path text, batched requests and value reads: codec tables (unit), and reads over loopback
# against the simulator (integration). Every test's name starts with "client.".
add_executable(client_read_tests ${CMAKE_CURRENT_LIST_DIR}/read/codec_test.cpp)
target_link_libraries(client_read_tests PRIVATE zoltc_logix_internal zoltc_logix_test_support
                                                GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_read_tests TEST_PREFIX "client." NO_PRETTY_VALUES PROPERTIES LABELS unit TIMEOUT 120)

add_executable(client_read_sim_tests ${CMAKE_CURRENT_LIST_DIR}/read/read_test.cpp)
target_link_libraries(client_read_sim_tests PRIVATE zoltc_logix_internal zoltc_logix_test_support
                                                    GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_read_sim_tests TEST_PREFIX "client." NO_PRETTY_VALUES PROPERTIES LABELS integration TIMEOUT 120)
