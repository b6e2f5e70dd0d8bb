# Decoders of the connection layer: message-router responses, the search for the
# unconnected data item in SendRRData replies, and identity data.
quillon_add_fuzzer(client_cip_response_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/client/cip_response_fuzzer.c
  LIBS zoltc_logix_internal quillon::c_warnings)
quillon_add_fuzzer(client_cpf_item_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/client/cpf_item_fuzzer.c
  LIBS zoltc_logix_internal quillon::c_warnings)
quillon_add_fuzzer(client_identity_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/client/identity_fuzzer.c
  LIBS zoltc_logix_internal quillon::c_warnings)
