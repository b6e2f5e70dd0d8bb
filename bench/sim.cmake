# The simulator's own cost per request (no sockets), so that client benchmarks can tell
# that it is not their bottleneck.
find_package(benchmark REQUIRED)
add_executable(sim_bench ${CMAKE_CURRENT_LIST_DIR}/../sim/bench/sim_bench.cpp)
target_include_directories(sim_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../sim/src)
target_link_libraries(sim_bench PRIVATE quillon_sim quillon::warnings benchmark::benchmark)
