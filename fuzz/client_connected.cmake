# Decoders of connected messaging: the connected items of SendUnitData replies.
quillon_add_fuzzer(client_unit_data_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/client/unit_data_fuzzer.c
  LIBS zoltc_logix_internal quillon::c_warnings)
