# End-to-end tests: the real game program, copied with its assets into a folder of its own, runs
# with the test agent beside it as its harness plug-in ("vxHarness.dll"); the tests drive it through
# the agent and read its saved files, log and frames. The agent finds the program's functions among
# the program's exported symbols.
set_target_properties(harrowmere PROPERTIES ENABLE_EXPORTS ON)
if(TM_TESTS)
  include(GoogleTest)
  add_library(e2eagent MODULE ${CMAKE_SOURCE_DIR}/tests/data/e2e/agent.cpp)
  tm_test_plugin(e2eagent)
  target_include_directories(e2eagent PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/game)
  set_target_properties(e2eagent PROPERTIES PREFIX "lib" SUFFIX ".so")
  file(GLOB e2e_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
  # The play-through is one long test of its own (ctest name "playthrough").
  list(REMOVE_ITEM e2e_sources ${CMAKE_SOURCE_DIR}/tests/e2e/playthrough_test.cpp)
  add_executable(test_e2e ${e2e_sources})
  target_include_directories(test_e2e PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(test_e2e PRIVATE harrowmere_game tallowmark GTest::gtest GTest::gtest_main)
  add_dependencies(test_e2e harrowmere e2eagent test_vxmod)
  gtest_discover_tests(test_e2e DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
  set(env_script ${CMAKE_CURRENT_BINARY_DIR}/test_e2e_environment.cmake)
  file(WRITE ${env_script}
    "if(test_e2e_TESTS)\n  set_tests_properties(\${test_e2e_TESTS} PROPERTIES ENVIRONMENT \"${TM_TEST_ENV}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})

  add_executable(test_playthrough ${CMAKE_SOURCE_DIR}/tests/e2e/playthrough_test.cpp
                 ${CMAKE_SOURCE_DIR}/tests/e2e/gamedriver.cpp)
  target_include_directories(test_playthrough PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(test_playthrough PRIVATE harrowmere_game tallowmark GTest::gtest GTest::gtest_main)
  add_dependencies(test_playthrough harrowmere e2eagent)
  add_test(NAME playthrough COMMAND test_playthrough)
  set_tests_properties(playthrough PROPERTIES ENVIRONMENT "${TM_TEST_ENV}" TIMEOUT 900)
endif()
