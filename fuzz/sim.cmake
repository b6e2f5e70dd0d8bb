# The simulator's request decoders (encapsulation, Common Packet Format, message router)
# on arbitrary bytes. Seeds are copied into the working corpus.
quillon_add_fuzzer(sim_request_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/../sim/fuzz/request_fuzz.cpp
  LIBS quillon_sim)
if(TARGET sim_request_fuzz)
  target_include_directories(sim_request_fuzz PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../sim/src)
  file(COPY ${CMAKE_CURRENT_LIST_DIR}/../sim/fuzz/corpus/
       DESTINATION ${CMAKE_CURRENT_BINARY_DIR}/sim_request_fuzz-corpus)
endif()
