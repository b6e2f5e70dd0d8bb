# Route paths and discovery: codec tables (unit), and routed requests and ListIdentity over
# loopback against the simulator's chassis (integration). Every test's name starts with "client.".
add_executable(client_route_tests ${CMAKE_CURRENT_LIST_DIR}/route/route_test.cpp)
target_link_libraries(client_route_tests PRIVATE zoltc_logix_internal zoltc_logix_test_support
                                                 GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_route_tests TEST_PREFIX "client." NO_PRETTY_VALUES PROPERTIES LABELS unit TIMEOUT 60)

add_executable(client_route_sim_tests ${CMAKE_CURRENT_LIST_DIR}/route/route_sim_test.cpp)
# Broadcast discovery runs only inside a network namespace of its own (Linux).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  target_sources(client_route_sim_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/route/broadcast_test.cpp)
endif()
target_link_libraries(client_route_sim_tests PRIVATE zoltc_logix_internal zoltc_logix_test_support
                                                     GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_route_sim_tests TEST_PREFIX "client." NO_PRETTY_VALUES PROPERTIES LABELS integration TIMEOUT 120)
