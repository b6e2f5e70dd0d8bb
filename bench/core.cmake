# Asset pack lookups and parsing for growing packs (run by hand: bin/core_bench).
if(NOT TARGET quillon_core)
  return()
endif()
find_package(benchmark REQUIRED)
add_executable(core_bench ${CMAKE_CURRENT_LIST_DIR}/core/assetpack_bench.cpp)
target_link_libraries(core_bench PRIVATE quillon_core pakwriter benchmark::benchmark quillon::warnings)
