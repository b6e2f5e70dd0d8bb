# The connection layer (memory, transport, session, CIP messaging, identity, client handle), the
# argument checks and allocation failures of every entry point, and the support code shared by
# every client test. Every test's name starts with "client.".

# client/tests/support: the counting, failing allocator, byte helpers and the simulator fixture
# (on the one server fixture of sim/tests/fixture.hpp).
add_library(zoltc_logix_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/support/simulator.cpp)
target_include_directories(zoltc_logix_test_support
  PUBLIC ${CMAKE_CURRENT_LIST_DIR}/support ${PROJECT_SOURCE_DIR}/sim/tests)
# quillon::sim is defined later (sim/ is added after client/); the name is resolved when the
# build is generated.
target_link_libraries(zoltc_logix_test_support PUBLIC zoltc_logix quillon::sim GTest::gtest PRIVATE quillon::warnings)

# Codecs, pure logic and argument checks.
add_executable(client_connection_tests
  ${CMAKE_CURRENT_LIST_DIR}/connection/codec_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/arguments_test.cpp)
target_link_libraries(client_connection_tests PRIVATE
  zoltc_logix_internal zoltc_logix_test_support GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_connection_tests TEST_PREFIX "client." NO_PRETTY_VALUES PROPERTIES LABELS unit TIMEOUT 60)

# Over loopback TCP against the simulator, started in-process on port 0.
add_executable(client_connection_integration_tests
  ${CMAKE_CURRENT_LIST_DIR}/connection/connection_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/allocation_test.cpp)
target_link_libraries(client_connection_integration_tests PRIVATE
  zoltc_logix_internal zoltc_logix_test_support GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_connection_integration_tests TEST_PREFIX "client." NO_PRETTY_VALUES
                     PROPERTIES LABELS integration TIMEOUT 120)
