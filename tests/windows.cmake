# Windows-only tests, run under wine by scripts/build-windows --test (the Windows stage of CI);
# each file says what it checks. The scripts run the native quillon-sim and quillon-cli from
# QUILLON_HOST_TOOLS_DIR (cmake/HostTools.cmake).
if(NOT WIN32 OR NOT TARGET zoltc_logix)
  return()
endif()

set(windows_test_dir ${CMAKE_CURRENT_LIST_DIR}/windows)

add_executable(windows_transport_tests ${windows_test_dir}/TransportTest.cpp)
target_link_libraries(windows_transport_tests
  PRIVATE zoltc_logix_internal ws2_32 GTest::gtest_main quillon::warnings)
gtest_discover_tests(windows_transport_tests TEST_PREFIX "windows."
                     PROPERTIES LABELS integration TIMEOUT 60)

if(TARGET quillon_app AND TARGET assets_pak)
  add_executable(windows_path_probe ${windows_test_dir}/PathProbe.cpp)
  target_link_libraries(windows_path_probe PRIVATE quillon_app quillon::warnings)

  add_executable(windows_startup_tests ${windows_test_dir}/StartupTest.cpp)
  target_link_libraries(windows_startup_tests PRIVATE GTest::gtest_main quillon::warnings)
  target_compile_definitions(windows_startup_tests PRIVATE
    QUILLON_PATH_PROBE="$<TARGET_FILE:windows_path_probe>"
    QUILLON_ASSET_PACK="${CMAKE_BINARY_DIR}/bin/assets.pak")
  add_dependencies(windows_startup_tests windows_path_probe assets_pak)
  gtest_discover_tests(windows_startup_tests TEST_PREFIX "windows."
                       PROPERTIES LABELS unit TIMEOUT 60)
endif()

set(native_sim "${QUILLON_HOST_TOOLS_DIR}/quillon-sim")
set(native_cli "${QUILLON_HOST_TOOLS_DIR}/quillon-cli")
if(NOT EXISTS "${native_sim}" OR NOT EXISTS "${native_cli}")
  message(WARNING "No native quillon-sim and quillon-cli in ${QUILLON_HOST_TOOLS_DIR}: the Windows "
                  "programs are not tested against the Linux simulator (scripts/build-windows builds them)")
  return()
endif()

if(TARGET quillon-cli)
  foreach(command identity tags read)
    add_test(NAME windows.cli.${command}
      COMMAND bash ${windows_test_dir}/cli-against-linux-sim.sh ${command}
              "${CMAKE_CROSSCOMPILING_EMULATOR}" $<TARGET_FILE:quillon-cli> "${native_cli}"
              "${native_sim}" "${PROJECT_SOURCE_DIR}/sim/sample.json")
    set_tests_properties(windows.cli.${command} PROPERTIES LABELS integration TIMEOUT 120)
  endforeach()
endif()

if(TARGET quillon AND TARGET assets_pak)
  add_test(NAME windows.gui.smoke
    COMMAND bash ${windows_test_dir}/gui-smoke.sh "${CMAKE_CROSSCOMPILING_EMULATOR}"
            $<TARGET_FILE:quillon> "${native_sim}" "${PROJECT_SOURCE_DIR}/sim/sample.json"
            "${CMAKE_CURRENT_BINARY_DIR}/windows-gui-smoke")
  set_tests_properties(windows.gui.smoke PROPERTIES LABELS gui TIMEOUT 240 RESOURCE_LOCK x11_input)
endif()
