# Fuzz targets of the image decoders (PNG, JPEG, JPEG-2000) and the ".mesh" reader, each run over its
# seed corpus as a regression test, and the generator of those seed files (run by hand:
# render_seeds tests/data/fuzz).
foreach(reader png jpeg jpeg2000 mesh)
  tm_add_fuzzer(NAME ${reader} SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/${reader}_fuzz.cpp
                CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/${reader})
endforeach()

add_executable(render_seeds EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/fuzz/render_seeds.cpp)
target_include_directories(render_seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests/render)
target_link_libraries(render_seeds PRIVATE tm::deps)
