# quillon-cli against generated controllers (run by hand: bin/cli_bench [runs]; not part
# of the test suite): tags --json of 20 000 tags (CPU, peak memory, bytes, exchanges),
# read of one tag of 4 200 (exchanges), and the tag model's list to rows for 250 000
# tags. Linux only: it spawns the built quillon-cli and reads its resource use.
if(NOT TARGET quillon-cli OR NOT TARGET quillon_sim OR WIN32)
  return()
endif()
add_executable(cli_bench ${CMAKE_CURRENT_LIST_DIR}/cli/cli_bench.cpp)
target_compile_definitions(cli_bench PRIVATE QUILLON_CLI_PATH="$<TARGET_FILE:quillon-cli>")
target_link_libraries(cli_bench PRIVATE quillon_core quillon_sim zoltc_logix quillon::warnings)
add_dependencies(cli_bench quillon-cli)
