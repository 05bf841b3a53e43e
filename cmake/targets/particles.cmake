# The particle system's base script (src/particles/particles.lua) is built into the framework library
# as the byte array `luachunk_particles' with its size `luachunk_particles_size'. With the script
# tool's tm_embed_lua it is a precompiled chunk; without the tool the source text itself is
# embedded by this file run in script mode (the loader takes either form).
if(CMAKE_SCRIPT_MODE_FILE)
  file(READ ${IN} hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  file(WRITE ${OUT} "// Generated from ${IN}; do not edit.\n#include <cstddef>\n"
    "extern const unsigned char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}_size;\n"
    "const unsigned char ${SYMBOL}[] = {${bytes}0};\nconst std::size_t ${SYMBOL}_size = ${size};\n")
  return()
endif()

set(TM_PARTICLES_LUA ${CMAKE_SOURCE_DIR}/src/particles/particles.lua)
if(COMMAND tm_embed_lua)
  tm_embed_lua(TARGET tallowmark SOURCES src/particles/particles.lua)
else()
  set(out ${CMAKE_BINARY_DIR}/embedded_lua/tallowmark/luachunk_particles.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${TM_PARTICLES_LUA} -DOUT=${out} -DSYMBOL=luachunk_particles
            -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS ${TM_PARTICLES_LUA} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Embedding src/particles/particles.lua"
    VERBATIM)
  target_sources(tallowmark PRIVATE ${out})
endif()

# The particle and effect sprite tests once more with the script collector in stress mode.
if(TARGET test_particles)
  add_test(NAME particles_gc_stress COMMAND test_particles --gtest_filter=Particle*)
  set_tests_properties(particles_gc_stress PROPERTIES ENVIRONMENT "${TM_TEST_ENV};TM_LUA_GCSTRESS=1" TIMEOUT 600)
  add_test(NAME effectsprites_gc_stress COMMAND test_particles --gtest_filter=FxSprite*)
  set_tests_properties(effectsprites_gc_stress PROPERTIES ENVIRONMENT "${TM_TEST_ENV};TM_LUA_GCSTRESS=1" TIMEOUT 600)
endif()

# Particle scripts under fuzzing (regression pass over the corpus in tests).
tm_add_fuzzer(NAME particles SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/particles_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/particles)
