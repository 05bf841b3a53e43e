# The script runtime's tests once more with the collector in stress mode (a full collection at
# every allocation check): the whole test_script_lua suite, differential programs included.
if(TARGET test_script_lua)
  add_test(NAME lua_gc_stress COMMAND test_script_lua)
  set_tests_properties(lua_gc_stress PROPERTIES ENVIRONMENT "${TM_TEST_ENV};TM_LUA_GCSTRESS=1" TIMEOUT 1200)
endif()

# The string library's patterns and formats under fuzzing (regression pass over the corpus in tests).
tm_add_fuzzer(NAME lua_strlib SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/lua_strlib_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/lua_strlib)
