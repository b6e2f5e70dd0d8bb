# Browse benchmark against the simulator over loopback (run by hand:
# bin/browse_bench [runs] [reply-limit]; not part of the test suite).
add_executable(browse_bench ${CMAKE_CURRENT_LIST_DIR}/browse/browse_bench.cpp)
target_link_libraries(browse_bench PRIVATE zoltc_logix quillon::sim quillon::warnings)
