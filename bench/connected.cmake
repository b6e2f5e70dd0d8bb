# Unconnected and connected messaging side by side at 10 ms latency per reply:
# a browse of a generated 10 000-tag / 200-type controller and a read of 1 000
# DINTs (run by hand: bin/connected_bench [runs, default 5]).
add_executable(connected_bench ${CMAKE_CURRENT_LIST_DIR}/connected/connected_bench.cpp)
target_link_libraries(connected_bench PRIVATE zoltc_logix quillon::sim quillon::warnings)
