# Fuzz targets of the image decoders (PNG, JPEG, JPEG-2000), each run over its seed corpus as a
# regression test, and the generator of those seed images (run by hand: image_seeds tests/data/fuzz).
foreach(codec png jpeg jpeg2000)
  tm_add_fuzzer(NAME ${codec} SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/${codec}_fuzz.cpp
                CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/${codec})
endforeach()

add_executable(image_seeds EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tests/fuzz/image_seeds.cpp)
target_include_directories(image_seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests/render)
target_link_libraries(image_seeds PRIVATE tm::deps)
