# Type names and value texts of the tree and the inspector.
if(QUILLON_TESTS AND TARGET quillon_core)
  add_executable(tagdisplay_tests ${CMAKE_CURRENT_LIST_DIR}/tagdisplay/TagDisplayTest.cpp)
  target_link_libraries(tagdisplay_tests PRIVATE quillon_core GTest::gtest_main quillon::warnings)
  gtest_discover_tests(tagdisplay_tests PROPERTIES LABELS unit TIMEOUT 60)
endif()
