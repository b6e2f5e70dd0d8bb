# Tests of the connection layer (memory, transport, session, CIP messaging,
# identity, client handle) and the support code shared by every client test.

# client/tests/support: the counting, failing allocator and the simulator
# fixture. Browsing and reading tests link zoltc_logix_test_support too.
add_library(zoltc_logix_test_support STATIC
  ${CMAKE_CURRENT_LIST_DIR}/support/test_allocator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/simulator.cpp)
target_include_directories(zoltc_logix_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR}/support)
# quillon::sim is defined later (sim/ is added after client/); the name is
# resolved when the build is generated.
target_link_libraries(zoltc_logix_test_support
  PUBLIC zoltc_logix quillon::sim GTest::gtest
  PRIVATE quillon::warnings)

# Codecs and pure logic.
add_executable(client_connection_tests
  ${CMAKE_CURRENT_LIST_DIR}/connection/memory_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/path_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/message_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/cpf_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/identity_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/result_test.cpp)
target_link_libraries(client_connection_tests PRIVATE
  zoltc_logix_internal zoltc_logix_test_support GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_connection_tests PROPERTIES LABELS unit TIMEOUT 60)

# Over loopback TCP against the simulator, started in-process on port 0.
add_executable(client_connection_integration_tests
  ${CMAKE_CURRENT_LIST_DIR}/connection/transport_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/client_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/fault_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection/oom_test.cpp)
target_link_libraries(client_connection_integration_tests PRIVATE
  zoltc_logix_internal zoltc_logix_test_support GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_connection_integration_tests PROPERTIES LABELS integration TIMEOUT 120)
