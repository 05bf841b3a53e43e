# The movie player plug-in the ui tests load: a scriptable stand-in player that the tests name
# instead of the real player's file ("testmovieplayer.dll" finds testmovieplayer.so beside the test).
if(TARGET test_ui)
  add_library(testmovieplayer MODULE ${CMAKE_SOURCE_DIR}/tests/data/ui/testmovieplayer.cpp)
  tm_test_plugin(testmovieplayer)
  target_include_directories(testmovieplayer PRIVATE ${CMAKE_SOURCE_DIR}/src)
  set_target_properties(testmovieplayer PROPERTIES PREFIX "" SUFFIX ".so")
  add_dependencies(test_ui testmovieplayer)
endif()
