# Fuzz targets of the animation descriptions (binary ".anm" and XML), each run over its seed corpus
# as a regression test.
foreach(reader anm animxml)
  tm_add_fuzzer(NAME ${reader} SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/${reader}_fuzz.cpp
                CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/${reader})
endforeach()

# The asset-map tests load a generated Ogg tone as a sound.
if(TARGET test_render)
  target_link_libraries(test_render PRIVATE tm_oggtone)
endif()
