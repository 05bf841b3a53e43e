# Fuzz targets of the file layer's parsers: the XML reader, compressed XML and the pack index.
# Each runs over its seed corpus as a regression test; see the README for long fuzzing runs.
tm_add_fuzzer(NAME xml SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/xml_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/xml)
tm_add_fuzzer(NAME zxml SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/zxml_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/zxml)
tm_add_fuzzer(NAME pack SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/pack_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/pack)

# Long fuzzing runs want coverage feedback from the library too, not only from the targets:
# configure with -DTM_FUZZ_COVERAGE=ON (clang) to instrument `tallowmark` for libFuzzer.
option(TM_FUZZ_COVERAGE "Instrument the framework library for coverage-guided fuzzing (clang)" OFF)
if(TM_FUZZ_COVERAGE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(tallowmark PRIVATE -fsanitize=fuzzer-no-link)
endif()
