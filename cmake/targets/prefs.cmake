# Preference database, data cipher and string table: fuzz targets of the cipher and the string
# table's file scan, and the collation library the collation tests load as "vxlocale.dll".
tm_add_fuzzer(NAME stringtable
  SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/stringtable_fuzz.cpp
  CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/stringtable)
tm_add_fuzzer(NAME datacipher
  SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/datacipher_fuzz.cpp
  CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/datacipher)

if(TM_TESTS)
  add_library(test_vxcollate MODULE ${CMAKE_SOURCE_DIR}/tests/data/plugins/vxcollate.c)
  tm_test_plugin(test_vxcollate)
  set_target_properties(test_vxcollate PROPERTIES PREFIX "" OUTPUT_NAME "test_vxcollate")
  add_library(test_nocollate MODULE ${CMAKE_SOURCE_DIR}/tests/data/plugins/nocollate.c)
  tm_test_plugin(test_nocollate)
  set_target_properties(test_nocollate PROPERTIES PREFIX "" OUTPUT_NAME "test_nocollate")
  add_dependencies(test_core test_vxcollate test_nocollate)
  target_compile_definitions(test_core PRIVATE
    TM_TEST_COLLATE_LIBRARY="$<TARGET_FILE:test_vxcollate>"
    TM_TEST_NO_COLLATE_LIBRARY="$<TARGET_FILE:test_nocollate>")
endif()
