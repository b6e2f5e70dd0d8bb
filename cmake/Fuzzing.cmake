# quillon_add_fuzzer(NAME SOURCES... LIBS ...): a libFuzzer target plus a short
# smoke run registered with CTest (label "fuzz"). Only when QUILLON_FUZZ is on,
# which scripts/setup does in a separate clang build tree.
set(QUILLON_FUZZ_SECONDS 10 CACHE STRING "Seconds per fuzz target in the test suite's smoke run")
function(quillon_add_fuzzer name)
  if(NOT QUILLON_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  if(NOT TARGET quillon_fuzzers)
    add_custom_target(quillon_fuzzers)
  endif()
  add_dependencies(quillon_fuzzers ${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  set(corpus "${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus")
  file(MAKE_DIRECTORY "${corpus}")
  set(seeds "${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name}")
  if(EXISTS "${seeds}")
    set(seed_arg "${seeds}")
  else()
    set(seed_arg "")
  endif()
  add_test(NAME fuzz.${name}
           COMMAND ${name} -max_total_time=${QUILLON_FUZZ_SECONDS} -rss_limit_mb=2048
                   -print_final_stats=1 ${corpus} ${seed_arg})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()

# Everything that a fuzz target links is instrumented for coverage and checked by
# the sanitizers; only the fuzzer executables get libFuzzer's main.
if(QUILLON_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
