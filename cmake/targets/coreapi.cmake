# The core script library (src/ui/corescript.lua), built into the framework library as the
# precompiled chunk `luachunk_corescript' that the window script runs at start-up. The call is
# deferred to the end of the configure step: this file is read before the one defining
# tm_embed_lua.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR}
  CALL tm_embed_lua TARGET tallowmark SOURCES src/ui/corescript.lua)
