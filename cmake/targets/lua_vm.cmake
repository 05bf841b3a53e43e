# The virtual machine's fuzz target: runs arbitrary chunks under instruction and memory budgets.
tm_add_fuzzer(NAME lua_run SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/lua_run_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/lua_run)
