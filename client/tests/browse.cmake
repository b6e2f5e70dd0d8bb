# Type words, tag records, symbol pages, templates and browsing. Every test's name starts with "client.".
add_executable(client_browse_unit_tests ${CMAKE_CURRENT_LIST_DIR}/browse/codec_test.cpp)
target_link_libraries(client_browse_unit_tests
  PRIVATE zoltc_logix_internal zoltc_logix_test_support GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_browse_unit_tests TEST_PREFIX "client." NO_PRETTY_VALUES PROPERTIES LABELS unit TIMEOUT 120)

# Over loopback TCP against the simulator, started in-process on port 0.
add_executable(client_browse_tests ${CMAKE_CURRENT_LIST_DIR}/browse/browse_test.cpp)
target_link_libraries(client_browse_tests
  PRIVATE zoltc_logix_internal zoltc_logix_test_support GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_browse_tests TEST_PREFIX "client." NO_PRETTY_VALUES PROPERTIES LABELS integration TIMEOUT 300)
