# The script compiler's fuzz target: lexes and parses arbitrary chunks.
tm_add_fuzzer(NAME lua_compile SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/lua_compile_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/lua_compile)
