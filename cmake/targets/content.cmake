# The demo's content: `mkcontent` makes every picture and sound under assets/ (tools/canvas, motifs, synth). The
# results are committed; rebuild them by hand with `cmake --build <dir> --target content`.
add_executable(mkcontent EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tools/mkcontent.cpp ${CMAKE_SOURCE_DIR}/tools/canvas.cpp ${CMAKE_SOURCE_DIR}/tools/motifs.cpp
               ${CMAKE_SOURCE_DIR}/tools/mkminigames.cpp ${CMAKE_SOURCE_DIR}/tools/mkscenes.cpp
               ${CMAKE_SOURCE_DIR}/tools/mksounds.cpp ${CMAKE_SOURCE_DIR}/tools/synth.cpp)
target_link_libraries(mkcontent PRIVATE tallowmark tm_oggtone tm::deps)
add_custom_target(content COMMAND mkcontent ${CMAKE_SOURCE_DIR}/assets
                  COMMENT "Making the demo's images and sounds" VERBATIM)

# The content tests read the game's scripts and assets from the source tree; the path is also
# compiled in, for runs without the test environment.
if(TARGET test_game_content)
  target_compile_definitions(test_game_content PRIVATE TM_CONTENT_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             TM_MODEL_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
endif()
