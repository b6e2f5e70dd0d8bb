# The toolkit's own cost per frame (update, layout, ImGui frames of the panels, canvas draw
# lists, headless rendering) for a widget tree shaped like the main window. Run by hand:
# bin/toolkit_bench (reports the median of repeated runs).
if(NOT QUILLON_GUI OR NOT TARGET zolt_ui)
  return()
endif()
find_package(benchmark REQUIRED)
add_executable(toolkit_bench ${CMAKE_CURRENT_LIST_DIR}/toolkit/toolkit_bench.cpp)
target_link_libraries(toolkit_bench PRIVATE zolt_ui quillon::version benchmark::benchmark quillon::warnings)
target_compile_definitions(toolkit_bench PRIVATE QUILLON_UI_FONT="${QUILLON_DEPS_DIR}/fonts/Montserrat-Medium.ttf")

# The main loop's CPU cost with the OpenGL back end, idle and with continuous frames.
# Run by hand under a display: xvfb-run -a bin/toolkit_idle_cpu idle 10
add_executable(toolkit_idle_cpu ${CMAKE_CURRENT_LIST_DIR}/toolkit/idle_cpu.cpp)
target_link_libraries(toolkit_idle_cpu PRIVATE zolt_ui quillon::version quillon::warnings)
target_compile_definitions(toolkit_idle_cpu PRIVATE QUILLON_UI_FONT="${QUILLON_DEPS_DIR}/fonts/Montserrat-Medium.ttf")
