# Decoders of route paths and discovery: route path texts (with the words said about a
# refusal along them) and ListIdentity reply datagrams.
quillon_add_fuzzer(client_route_text_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/route/route_text_fuzzer.c
  LIBS zoltc_logix_internal quillon::c_warnings)
quillon_add_fuzzer(client_list_identity_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/route/list_identity_fuzzer.c
  LIBS zoltc_logix_internal quillon::c_warnings)
