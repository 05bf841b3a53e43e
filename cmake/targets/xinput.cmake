# Real-input tests: the built game under an X server of the test's own (Xvfb), driven through XTest
# and judged by what the server shows (screenshots, the pointer's image through XFixes). The test
# program needs no part of the game's code, only the program beside it.
if(TM_TESTS)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TM_XTEST REQUIRED IMPORTED_TARGET x11 xtst xfixes)
  include(GoogleTest)
  file(GLOB xinput_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/xinput/*.cpp)
  add_executable(test_xinput ${xinput_sources})
  target_include_directories(test_xinput PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(test_xinput PRIVATE PkgConfig::TM_XTEST GTest::gtest GTest::gtest_main)
  add_dependencies(test_xinput harrowmere)
  gtest_discover_tests(test_xinput DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 900)
  set(env_script ${CMAKE_CURRENT_BINARY_DIR}/test_xinput_environment.cmake)
  file(WRITE ${env_script}
    "if(test_xinput_TESTS)\n  set_tests_properties(\${test_xinput_TESTS} PROPERTIES ENVIRONMENT \"${TM_TEST_ENV}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})
endif()
