# Sound tools: `oggtone` writes Ogg Vorbis test tones; `tm_oggtone` is the same generator as a
# library for tests that make their fixtures when they run.
add_library(tm_oggtone STATIC ${CMAKE_SOURCE_DIR}/tools/oggtone.cpp)
target_compile_definitions(tm_oggtone PRIVATE OGGTONE_NO_MAIN)
target_include_directories(tm_oggtone PUBLIC ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(tm_oggtone PUBLIC tm::deps)

add_executable(oggtone ${CMAKE_SOURCE_DIR}/tools/oggtone.cpp)
target_link_libraries(oggtone PRIVATE tm::deps)

foreach(t test_os test_sound)
  if(TARGET ${t})
    target_link_libraries(${t} PRIVATE tm_oggtone)
  endif()
endforeach()
