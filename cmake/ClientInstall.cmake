# Installs the client library for other programs (read by client/CMakeLists.txt):
# the shared library with its SONAME link, the static library, the public headers,
# zoltc_logix.pc for pkg-config and a CMake package for find_package(zoltc_logix).
# The Debian components: "runtime" (libzoltc-logix1) and "development" (libzoltc-logix-dev).
include(CMakePackageConfigHelpers)
set(client_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/zoltc_logix)

install(TARGETS zoltc_logix_shared zoltc_logix EXPORT zoltc_logix_targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${public_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(EXPORT zoltc_logix_targets NAMESPACE zoltc_logix:: FILE zoltc_logix-targets.cmake
  DESTINATION ${client_cmake_dir} COMPONENT development)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/zoltc_logix-config.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/zoltc_logix-config.cmake INSTALL_DESTINATION ${client_cmake_dir})
# Same major version: the interface only grows within one.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/zoltc_logix-config-version.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zoltc_logix-config.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/zoltc_logix-config-version.cmake
  DESTINATION ${client_cmake_dir} COMPONENT development)

# The .pc file names its directories relative to ${prefix}, so a consumer can move the
# whole tree (PKG_CONFIG_SYSROOT_DIR or pkgconf --define-prefix).
configure_file(${PROJECT_SOURCE_DIR}/cmake/zoltc_logix.pc.in ${CMAKE_CURRENT_BINARY_DIR}/zoltc_logix.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zoltc_logix.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
