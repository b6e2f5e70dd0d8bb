# Fuzz targets for the decoders of tag value reading: Multiple Service Packet
# replies, tag path texts, and Read Tag / Read Tag Fragmented replies.
quillon_add_fuzzer(client_read_msp_decode
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/read/msp_decode_fuzz.c LIBS zoltc_logix_internal)
quillon_add_fuzzer(client_read_tagpath
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/read/tagpath_fuzz.c LIBS zoltc_logix_internal)
quillon_add_fuzzer(client_read_reply
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/read/read_reply_fuzz.c LIBS zoltc_logix_internal)
