# Strict warnings as INTERFACE targets, linked PRIVATE by our own targets only,
# so third-party code (Dear ImGui, GoogleTest) keeps its own settings.
add_library(quillon_warnings INTERFACE)
target_compile_options(quillon_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Wunused -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion -Wformat=2)
add_library(quillon::warnings ALIAS quillon_warnings)

# The C client library is held to -Wconversion as well: every narrowing on the
# wire is meant and spelled out.
add_library(quillon_c_warnings INTERFACE)
target_compile_options(quillon_c_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wconversion -Wsign-conversion -Wshadow
  -Wcast-align -Wstrict-prototypes -Wmissing-prototypes -Wformat=2 -Wvla)
add_library(quillon::c_warnings ALIAS quillon_c_warnings)
