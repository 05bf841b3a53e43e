# The entry's end-to-end tests start the real game program beside a game-state module, so both must
# be built before them.
if(TARGET test_entry)
  add_dependencies(test_entry harrowmere test_vxmod)
endif()
