# The Debian packages, one per install component (read by packaging/CMakeLists.txt):
#   quillon             program: the program, quillon-cli, quillon-sim, assets, menu entry,
#                       manual pages, completion
#   libzoltc-logix1     runtime: the shared client library (name from its ABI version)
#   libzoltc-logix-dev  development: headers, static library, pkg-config and CMake files
# Dependencies on other packages are computed by dpkg-shlibdeps from the binaries.
set(QUILLON_PACKAGE_CONTACT "Zolt Software GmbH <support@zolt.invalid>")
set(QUILLON_DEB_program quillon)
set(QUILLON_DEB_runtime libzoltc-logix${ZOLTC_LOGIX_ABI_VERSION})
set(QUILLON_DEB_development libzoltc-logix-dev)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "Zolt Software GmbH")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILLON_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL program runtime development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's shlibs file and its ldconfig trigger are written here (packaging/), since
# CPack's own would call ldconfig from maintainer scripts.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/packaging/shlibs ${PROJECT_SOURCE_DIR}/packaging/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The -dev package needs the runtime package of the same version.
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME ${QUILLON_DEB_program})
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "browse and watch the tags of Logix controllers
Quillon shows a Logix controller's tags (controller and program scope,
structures and arrays expanded) as a tree and reads their values over
EtherNet/IP. The package also holds quillon-cli, which lists and reads tags
from the shell, and quillon-sim, a controller simulator for trying both out.")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${QUILLON_DEB_runtime})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "client library for Logix controllers over EtherNet/IP
zoltc_logix connects to a Logix controller, reads its identity, lists its tags
and reads their values with unconnected CIP messages over TCP.

This package holds the shared library.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${QUILLON_DEB_development})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "client library for Logix controllers (development files)
zoltc_logix connects to a Logix controller, reads its identity, lists its tags
and reads their values with unconnected CIP messages over TCP.

This package holds the header, the static library, zoltc_logix.pc for
pkg-config and the CMake package for find_package(zoltc_logix).")

include(CPack)
