# The views under load, headless (run by hand: bin/views_bench [idle-frames]): list to
# rows, the rows' heap, frame times idle, while loading and while scrolling, for a
# 100 000-record controller and for a 10 000-element array opened.
if(NOT QUILLON_GUI OR NOT TARGET quillon_app OR NOT TARGET quillon_sim)
  return()
endif()
add_executable(views_bench ${CMAKE_CURRENT_LIST_DIR}/views/views_bench.cpp)
target_link_libraries(views_bench PRIVATE quillon_app quillon_sim quillon::warnings)
if(TARGET assets_pak)
  add_dependencies(views_bench assets_pak)
endif()
