# Type words, tag records, symbol pages, templates and browsing.
add_executable(client_browse_unit_tests
  ${CMAKE_CURRENT_LIST_DIR}/browse/TypesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browse/SymbolPageTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browse/TemplateParseTest.cpp)
target_link_libraries(client_browse_unit_tests
  PRIVATE zoltc_logix_internal zoltc_logix_test_support GTest::gtest_main quillon::warnings)
gtest_discover_tests(client_browse_unit_tests PROPERTIES LABELS unit TIMEOUT 120)
