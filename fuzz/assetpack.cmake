# The asset pack parser (application core) on arbitrary bytes.
if(TARGET quillon_core)
  quillon_add_fuzzer(assetpack_parse
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/assetpack/fuzz_assetpack.cpp
    LIBS quillon_core quillon::warnings)
endif()
