# Functions shared by the build files: test folders, benchmarks and fuzz targets.

# Environment every test runs in: no display, no audio device, no real home folder, sanitizer settings.
set(TM_TEST_ENV
  "SDL_VIDEODRIVER=offscreen"
  "SDL_AUDIODRIVER=dummy"
  # Mesa's software renderer without worker threads: they race the leak checker at process exit.
  "LP_NUM_THREADS=0"
  # No shader cache: tests write nothing into the user's cache folder, and start none of its worker threads.
  "MESA_SHADER_CACHE_DISABLE=true"
  "TM_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
  "TM_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data"
  # intercept_tls_get_addr=0: this toolchain's runtime guesses where a dynamic TLS block starts from the
  # allocator's header, which newer C libraries no longer write; when a driver's block (dlopen'ed GL
  # libraries) happens to sit 16 bytes past a page boundary, the leak check scans a bogus range and dies
  # ("Tracer caught signal 11") after the tests passed. Our code keeps no state in dynamic TLS: the
  # static TLS of every thread, the stacks and the globals are still scanned, so leaks are still found.
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:intercept_tls_get_addr=0"
  "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
  "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")

# Test plug-ins go into a folder of their own: beside the programs (bin/) the game would load them as
# its own (the harness replaces the command line, a ".vxmod" joins the game state). Test programs find
# them through tests/testplugins.h. Copies that older builds left in bin/ are removed.
set(TM_TEST_PLUGIN_DIR ${CMAKE_BINARY_DIR}/testplugins)
foreach(stale libvxHarness.so libe2eagent.so test.vxmod noexports.vxmod vxservlet_stub.so testmovieplayer.so
              test_vxcollate.so test_nocollate.so)
  file(REMOVE ${CMAKE_BINARY_DIR}/bin/${stale})
endforeach()
function(tm_test_plugin target)
  set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${TM_TEST_PLUGIN_DIR})
endfunction()

# Every folder below tests/ holding .cpp files (but data, fuzz, e2e and xinput) becomes one test executable,
# named after the folder: tests/script/lua -> test_script_lua.
function(tm_add_test_folders)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB_RECURSE all_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp)
  set(dirs "")
  foreach(f ${all_tests})
    get_filename_component(d ${f} DIRECTORY)
    list(APPEND dirs ${d})
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  foreach(d ${dirs})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${d})
    if(rel MATCHES "^(data|fuzz|e2e|xinput)(/|$)")
      continue()
    endif()
    string(REPLACE "/" "_" name "test_${rel}")
    file(GLOB srcs CONFIGURE_DEPENDS ${d}/*.cpp)
    add_executable(${name} ${srcs})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE harrowmere_game tallowmark GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
    # Discovery flattens list-valued properties, so the environment is set by a script of our own that
    # CTest runs after the discovered list (${name}_TESTS) has been read.
    set(env_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
    file(WRITE ${env_script}
      "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT \"${TM_TEST_ENV}\")\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})
  endforeach()
endfunction()

# Each bench/*.cpp is one benchmark program (Google Benchmark or its own main).
function(tm_add_benchmarks)
  find_package(benchmark REQUIRED)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  foreach(s ${srcs})
    get_filename_component(n ${s} NAME_WE)
    add_executable(bench_${n} ${s})
    target_link_libraries(bench_${n} PRIVATE harrowmere_game tallowmark benchmark::benchmark)
  endforeach()
  # The bare SDL + OpenGL program that game_bench compares the game with.
  add_executable(bench_bare_picture ${CMAKE_SOURCE_DIR}/bench/bare/bare_picture.cpp)
  target_link_libraries(bench_bare_picture PRIVATE PkgConfig::TM_SDL2 PkgConfig::TM_GL)
  if(TARGET bench_game_bench)
    add_dependencies(bench_game_bench bench_bare_picture harrowmere)
    # With Xlib the game bench reads the screen to see that it reached the village.
    pkg_check_modules(TM_BENCH_X11 IMPORTED_TARGET x11)
    if(TM_BENCH_X11_FOUND)
      target_link_libraries(bench_game_bench PRIVATE PkgConfig::TM_BENCH_X11)
      target_compile_definitions(bench_game_bench PRIVATE TM_BENCH_X11=1)
    endif()
  endif()
endfunction()

# tm_add_fuzzer(NAME name SOURCES files... CORPUS dir)
# Always builds `fuzzreg_<name>`, a plain driver that runs every file of the corpus once; CTest runs it
# as the regression pass. With clang it also builds `fuzz_<name>` with libFuzzer for long runs.
function(tm_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES" ${ARGN})
  add_executable(fuzzreg_${F_NAME} ${F_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus_driver.cpp)
  target_link_libraries(fuzzreg_${F_NAME} PRIVATE tallowmark)
  add_test(NAME fuzz_regression_${F_NAME} COMMAND fuzzreg_${F_NAME} ${F_CORPUS})
  # No input may make a parser ask for a block above 512 MiB: under the sanitizer such a request
  # ends the run with a report instead of being served.
  set(fuzz_env ${TM_TEST_ENV})
  list(TRANSFORM fuzz_env REPLACE "^(ASAN_OPTIONS=.*)$" "\\1:max_allocation_size_mb=512")
  set_tests_properties(fuzz_regression_${F_NAME} PROPERTIES ENVIRONMENT "${fuzz_env}" TIMEOUT 300)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(fuzz_${F_NAME} ${F_SOURCES})
    target_compile_options(fuzz_${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${F_NAME} PRIVATE tallowmark)
  endif()
endfunction()
