# The client's integration suites run a second time with connected messaging
# (the fixture's handles read QUILLON_TEST_MESSAGING; tests that do not depend on the
# mode skip that pass), and the tests of the connected mode itself. Included after
# the other parts, which define the programs.
foreach(program client_connection_integration_tests client_browse_tests client_read_sim_tests
                client_route_sim_tests)
  gtest_discover_tests(${program} TEST_PREFIX "client." TEST_SUFFIX .connected NO_PRETTY_VALUES
    PROPERTIES LABELS integration TIMEOUT 300 ENVIRONMENT QUILLON_TEST_MESSAGING=connected)
endforeach()

add_executable(client_connected_tests
  ${CMAKE_CURRENT_LIST_DIR}/connected/fallback_test.cpp)
target_link_libraries(client_connected_tests PRIVATE
  zoltc_logix_internal zoltc_logix_test_support GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_connected_tests TEST_PREFIX "client." NO_PRETTY_VALUES PROPERTIES LABELS integration TIMEOUT 120)
