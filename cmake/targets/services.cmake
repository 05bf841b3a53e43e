# Plug-ins the services tests load: a local score server module named as the program looks for it
# ("vxservlet_stub.dll" finds vxservlet_stub.so beside the test executable).
if(TARGET test_services)
  add_library(vxservlet_stub MODULE ${CMAKE_SOURCE_DIR}/tests/data/services/servletstub.cpp)
  tm_test_plugin(vxservlet_stub)
  set_target_properties(vxservlet_stub PROPERTIES PREFIX "" SUFFIX ".so")
  add_dependencies(test_services vxservlet_stub)
  # Data files of the services tests, found without the test environment.
  target_compile_definitions(test_services PRIVATE TM_SERVICES_DATA="${CMAKE_SOURCE_DIR}/tests/data/services")
endif()

# Fuzz target of the score file reader (the regression pass runs its corpus with every test run).
tm_add_fuzzer(NAME hiscore
  SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/hiscore_fuzz.cpp
  CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/hiscore)
