# Fuzz target of the platform core's text handling (command line, UTF-8, TString editing).
tm_add_fuzzer(NAME core_text
  SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/core_text_fuzz.cpp
  CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/core_text)
