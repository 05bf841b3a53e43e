# The script runtime's command-line front end (tools/luatool.cpp) and tm_embed_lua, which compiles Lua
# sources at build time into byte arrays linked into a target. The tool links the runtime sources on
# their own (tm_luart), so the framework library itself may embed chunks the tool produced.
file(GLOB TM_LUART_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/script/lua/*.cpp)
add_library(tm_luart STATIC ${TM_LUART_SOURCES})
target_include_directories(tm_luart PUBLIC ${CMAKE_SOURCE_DIR}/src)

add_executable(luatool ${CMAKE_SOURCE_DIR}/tools/luatool.cpp)
target_link_libraries(luatool PRIVATE tm_luart)

# tm_embed_lua(TARGET t SOURCES a.lua ... [PREFIX p])
# Each source (relative to the repository root) is compiled with luatool into a C++ file defining
# `const unsigned char <p><stem>[]' and `const std::size_t <p><stem>_size' (prefix default
# "luachunk_", stem: the file name without extension, made a C identifier), added to target t.
# Code using it declares both with `extern'. The chunk's source name is "@" + the relative path.
function(tm_embed_lua)
  cmake_parse_arguments(E "" "TARGET;PREFIX" "SOURCES" ${ARGN})
  if(NOT DEFINED E_PREFIX)
    set(E_PREFIX "luachunk_")
  endif()
  set(dir ${CMAKE_BINARY_DIR}/embedded_lua/${E_TARGET})
  foreach(src ${E_SOURCES})
    get_filename_component(abs ${src} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${abs})
    get_filename_component(stem ${abs} NAME_WE)
    string(MAKE_C_IDENTIFIER "${E_PREFIX}${stem}" sym)
    set(out ${dir}/${sym}.cpp)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:luatool> -c -o ${out} -e ${sym} ${rel}
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      DEPENDS luatool ${abs}
      COMMENT "Compiling ${rel} into ${sym}"
      VERBATIM)
    target_sources(${E_TARGET} PRIVATE ${out})
  endforeach()
endfunction()

if(TARGET test_script_lua)
  # the runtime's tests load a chunk embedded this way
  tm_embed_lua(TARGET test_script_lua SOURCES tests/data/lua_embed/embedded_sample.lua)
  # the tool runs a script, and compiles one whose chunk it then runs
  set(tool_script ${CMAKE_SOURCE_DIR}/tests/data/lua_embed/tool_sample.lua)
  add_test(NAME luatool_runs_a_script COMMAND luatool ${tool_script} one two)
  set_tests_properties(luatool_runs_a_script PROPERTIES ENVIRONMENT "${TM_TEST_ENV}"
    PASS_REGULAR_EXPRESSION "^tool sample: one two 2 L6\n$")
  add_test(NAME luatool_compiles_a_script
    COMMAND sh -c "out=$(mktemp -d) && \"$0\" -c -o \"$out/s.luac\" \"$1\" && \"$0\" \"$out/s.luac\" x y; rc=$?; rm -rf \"$out\"; exit $rc"
            $<TARGET_FILE:luatool> ${tool_script})
  set_tests_properties(luatool_compiles_a_script PROPERTIES ENVIRONMENT "${TM_TEST_ENV}"
    PASS_REGULAR_EXPRESSION "^tool sample: x y 2 L6\n$")
  add_test(NAME luatool_opens_base_string_table_and_math COMMAND luatool ${CMAKE_SOURCE_DIR}/tests/data/lua_embed/tool_libraries.lua)
  set_tests_properties(luatool_opens_base_string_table_and_math PROPERTIES ENVIRONMENT "${TM_TEST_ENV}"
    PASS_REGULAR_EXPRESSION "^libraries: coroutine string table math; string.pack: function\n$")
  add_test(NAME luatool_reports_errors COMMAND luatool -c -o /dev/null ${CMAKE_SOURCE_DIR}/tests/data/lua_embed/absent.lua)
  set_tests_properties(luatool_reports_errors PROPERTIES ENVIRONMENT "${TM_TEST_ENV}" WILL_FAIL TRUE)
endif()

# The chunk loader's fuzz target: hostile precompiled chunks are loaded, re-dumped and run.
tm_add_fuzzer(NAME lua_undump SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/lua_undump_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/lua_undump)
