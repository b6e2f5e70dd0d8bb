# The client library's tests, named "client.*": unit tests of codecs and pure logic, and tests
# over loopback TCP against the in-process simulator, once in each messaging mode (the
# fixture's handles read QUILLON_TEST_MESSAGING). quillon::sim is defined later (sim/ is added
# after client/); the name is resolved when the build is generated.
add_library(zoltc_logix_test_support INTERFACE)
target_include_directories(zoltc_logix_test_support INTERFACE ${CMAKE_CURRENT_LIST_DIR}/support ${PROJECT_SOURCE_DIR}/sim/tests)
target_link_libraries(zoltc_logix_test_support INTERFACE zoltc_logix zoltc_logix_internal quillon::sim GTest::gtest_main)

function(client_tests program label modes)
  list(TRANSFORM ARGN PREPEND ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/)
  add_executable(${program} ${ARGN})
  target_link_libraries(${program} PRIVATE zoltc_logix_test_support quillon::warnings)
  gtest_discover_tests(${program} TEST_PREFIX "client." NO_PRETTY_VALUES PROPERTIES LABELS ${label} TIMEOUT 300)
  if(modes)
    gtest_discover_tests(${program} TEST_PREFIX "client." TEST_SUFFIX .connected NO_PRETTY_VALUES
      PROPERTIES LABELS ${label} TIMEOUT 300 ENVIRONMENT QUILLON_TEST_MESSAGING=connected)
  endif()
endfunction()

client_tests(client_unit_tests unit FALSE connection/codec_test.cpp connection/arguments_test.cpp
             browse/codec_test.cpp read/codec_test.cpp route/route_test.cpp)
# Its own program: the thread sanitizer build runs it (scripts/setup).
client_tests(client_connection_integration_tests integration TRUE connection/connection_test.cpp
             connection/allocation_test.cpp)
client_tests(client_sim_tests integration TRUE browse/browse_test.cpp read/read_test.cpp route/route_sim_test.cpp)
# Broadcast discovery runs only inside a network namespace of its own (Linux).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  target_sources(client_sim_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/route/broadcast_test.cpp)
endif()
client_tests(client_connected_tests integration FALSE connected/fallback_test.cpp)
