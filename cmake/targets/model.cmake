# Fuzz target of the game's save texts: a text run through the model compositor, written and
# rebuilt. It runs over its seed corpus as a regression test.
tm_add_fuzzer(NAME savetext SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/savetext_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/savetext)
target_link_libraries(fuzzreg_savetext PRIVATE harrowmere_game)
if(TARGET fuzz_savetext)
  target_link_libraries(fuzz_savetext PRIVATE harrowmere_game)
endif()

# The model tests read their game texts from the test data folder; the path is also compiled in,
# for runs without the test environment.
if(TARGET test_game_model)
  target_compile_definitions(test_game_model PRIVATE TM_MODEL_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
endif()
