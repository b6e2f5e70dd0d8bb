# Decoders of the browse: symbol pages and templates (attribute reply and data).
quillon_add_fuzzer(client_symbol_page_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/browse/symbol_page_fuzzer.c
  LIBS zoltc_logix_internal quillon::c_warnings)
quillon_add_fuzzer(client_template_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/browse/template_fuzzer.c
  LIBS zoltc_logix_internal quillon::c_warnings)
