# Sound tools: `oggtone` writes Ogg Vorbis test tones; `tm_oggtone` is the same generator as a
# library for tests that make their fixtures when they run.
add_library(tm_oggtone STATIC ${CMAKE_SOURCE_DIR}/tools/oggtone.cpp)
target_compile_definitions(tm_oggtone PRIVATE OGGTONE_NO_MAIN)
target_include_directories(tm_oggtone PUBLIC ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(tm_oggtone PUBLIC tm::deps)

add_executable(oggtone ${CMAKE_SOURCE_DIR}/tools/oggtone.cpp)
target_link_libraries(oggtone PRIVATE tm::deps)

foreach(t test_os test_sound bench_soundmix_bench)
  if(TARGET ${t})
    target_link_libraries(${t} PRIVATE tm_oggtone)
  endif()
endforeach()

# Fuzz target for the Ogg data source. Its corpus is generated into the build folder by `oggtone`:
# tones of several shapes (one without samples) and damaged copies (cut short, scrambled); the
# regression pass runs it with every test run.
set(TM_OGG_CORPUS ${CMAKE_BINARY_DIR}/fuzz-corpus/ogg)
set(TM_OGG_CORPUS_FILES "")
foreach(entry
    "tone_mono_22k|440 0.5 1 22050"
    "tone_stereo_44k|1000 1.0 2 44100"
    "tone_low_8k|200 0.3 1 8000 0.0"
    "tone_empty|440 0"
    "cut_stereo|--cut=0.5 @ 440 1.5 2 44100"
    "cut_headers|--cut=0.05 @ 440 1.0 1 22050"
    "scrambled|--scramble @ 660 2.0 2 32000")
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 args)
  set(out ${TM_OGG_CORPUS}/${name}.ogg)
  # "@" marks where the output file goes after the options.
  if(args MATCHES "@")
    string(REPLACE "@" "${out}" args "${args}")
  else()
    set(args "${out} ${args}")
  endif()
  separate_arguments(args)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TM_OGG_CORPUS}
    COMMAND oggtone ${args}
    DEPENDS oggtone VERBATIM)
  list(APPEND TM_OGG_CORPUS_FILES ${out})
endforeach()
# Inputs found by fuzzing are kept in tests/data/fuzz/ogg and join the generated ones.
file(GLOB TM_OGG_SEEDS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/ogg/*)
foreach(seed ${TM_OGG_SEEDS})
  get_filename_component(name ${seed} NAME)
  add_custom_command(OUTPUT ${TM_OGG_CORPUS}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${seed} ${TM_OGG_CORPUS}/${name}
    DEPENDS ${seed} VERBATIM)
  list(APPEND TM_OGG_CORPUS_FILES ${TM_OGG_CORPUS}/${name})
endforeach()
add_custom_target(ogg_fuzz_corpus ALL DEPENDS ${TM_OGG_CORPUS_FILES})

tm_add_fuzzer(NAME oggdatasource SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/oggdatasource_fuzz.cpp CORPUS ${TM_OGG_CORPUS})
add_dependencies(fuzzreg_oggdatasource ogg_fuzz_corpus)

# `playsound FILE` plays a sound file through the whole sound path (see the tool's comment).
add_executable(playsound ${CMAKE_SOURCE_DIR}/tools/playsound.cpp)
target_link_libraries(playsound PRIVATE tallowmark)
