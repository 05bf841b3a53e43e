# Plug-ins the services tests load: a local score server module named as the program looks for it
# ("vxservlet_stub.dll" finds vxservlet_stub.so beside the test executable).
if(TARGET test_services)
  add_library(vxservlet_stub MODULE ${CMAKE_SOURCE_DIR}/tests/data/services/servletstub.cpp)
  set_target_properties(vxservlet_stub PROPERTIES PREFIX "" SUFFIX ".so")
  add_dependencies(test_services vxservlet_stub)
endif()
