# Type words, tag records, symbol pages, templates and browsing.
add_executable(client_browse_unit_tests
  ${CMAKE_CURRENT_LIST_DIR}/browse/TypesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browse/SymbolPageTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browse/TemplateParseTest.cpp)
target_link_libraries(client_browse_unit_tests
  PRIVATE zoltc_logix_internal zoltc_logix_test_support GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_browse_unit_tests PROPERTIES LABELS unit TIMEOUT 120)

# Over loopback TCP against the simulator, started in-process on port 0
# (quillon::sim is defined after client/; the name is resolved at generation).
add_executable(client_browse_tests
  ${CMAKE_CURRENT_LIST_DIR}/browse/BrowseTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browse/BrowseLimitsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browse/BrowseMemoryTest.cpp)
target_link_libraries(client_browse_tests
  PRIVATE zoltc_logix_internal zoltc_logix_test_support quillon::sim GTest::gtest_main
          quillon::warnings)
gtest_discover_tests(client_browse_tests PROPERTIES LABELS integration TIMEOUT 300)
