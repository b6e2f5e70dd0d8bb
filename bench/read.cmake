# Batch read benchmark against the simulator over loopback (run by hand:
# bin/read_bench; not part of the test suite).
add_executable(read_bench ${CMAKE_CURRENT_LIST_DIR}/read/read_bench.cpp)
target_link_libraries(read_bench PRIVATE zoltc_logix_internal quillon::sim quillon::warnings)
