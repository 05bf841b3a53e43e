# Fuzz targets of the file layer's parsers: the XML reader, compressed XML and the pack index.
# Each runs over its seed corpus as a regression test; see the README for long fuzzing runs.
tm_add_fuzzer(NAME xml SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/xml_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/xml)
tm_add_fuzzer(NAME zxml SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/zxml_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/zxml)
tm_add_fuzzer(NAME pack SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/pack_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/pack)

