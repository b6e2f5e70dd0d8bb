# include_parts(): includes every <area>.cmake beside the calling CMakeLists.txt, in name
# order, so that each area adds its own file and the folder's list only collects them.
macro(include_parts)
  file(GLOB parts CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cmake)
  list(SORT parts)
  foreach(part IN LISTS parts)
    include(${part})
  endforeach()
endmacro()
