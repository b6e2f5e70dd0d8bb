# A cross build cannot run the programs it compiles, so the tools that run inside the build
# (spinnergen draws the loading spinner, pakbuild packs assets.pak) come from a native build of
# the same tree: scripts/setup makes them in build/bin.
set(QUILLON_HOST_TOOLS_DIR "${PROJECT_SOURCE_DIR}/build/bin" CACHE PATH
    "Native pakbuild and spinnergen used by a cross build")
foreach(tool pakbuild spinnergen)
  if(NOT EXISTS "${QUILLON_HOST_TOOLS_DIR}/${tool}")
    message(FATAL_ERROR "${QUILLON_HOST_TOOLS_DIR}/${tool} is missing: build the native tree first "
                        "(scripts/setup) or set QUILLON_HOST_TOOLS_DIR")
  endif()
  add_executable(${tool} IMPORTED GLOBAL)
  set_target_properties(${tool} PROPERTIES IMPORTED_LOCATION "${QUILLON_HOST_TOOLS_DIR}/${tool}")
endforeach()
