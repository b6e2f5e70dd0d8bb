# The project's one version (project(... VERSION) in the top CMakeLists) for the programs:
# QuillonVersion.hpp, through the quillon::version target. The client library writes its
# own zoltc_logix_version.h from the same number.
configure_file(${CMAKE_CURRENT_LIST_DIR}/QuillonVersion.hpp.in
               ${PROJECT_BINARY_DIR}/version/QuillonVersion.hpp @ONLY)
add_library(quillon_version INTERFACE)
target_include_directories(quillon_version INTERFACE ${PROJECT_BINARY_DIR}/version)
add_library(quillon::version ALIAS quillon_version)
