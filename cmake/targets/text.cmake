# Text: the font converter, the built-in default font compiled into the framework library, and the
# fuzz targets of the ".mvec" reader and of marked-up text layout.
#
# `mkfont INPUT.ttf OUTPUT.mvec [EM_UNITS]` converts a TrueType font. assets/fonts/default.mvec is
# committed; regenerate it with the `default_font` target (from fonts-dejavu-core's sans face).
add_executable(mkfont ${CMAKE_SOURCE_DIR}/tools/mkfont.cpp)
set(TM_FONT_SOURCE /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf)
set(TM_FONT_DIR /usr/share/fonts/truetype/dejavu)
add_custom_target(default_font
  COMMAND mkfont ${TM_FONT_SOURCE} ${CMAKE_SOURCE_DIR}/assets/fonts/default.mvec
  DEPENDS mkfont VERBATIM)
# The game's three named faces, from the same package: the letter and caption face (serif), the
# title face (bold serif) and the item-list face (bold sans).
add_custom_target(game_fonts
  COMMAND mkfont ${TM_FONT_DIR}/DejaVuSerif.ttf ${CMAKE_SOURCE_DIR}/assets/fonts/kingthings.mvec
  COMMAND mkfont ${TM_FONT_DIR}/DejaVuSerif-Bold.ttf ${CMAKE_SOURCE_DIR}/assets/fonts/schwarzwald.mvec
  COMMAND mkfont ${TM_FONT_DIR}/DejaVuSans-Bold.ttf ${CMAKE_SOURCE_DIR}/assets/fonts/rabiohead.mvec
  DEPENDS mkfont VERBATIM)

# The built-in default font is the committed default.mvec, turned into a byte array when CMake runs.
set(TM_DEFAULT_FONT ${CMAKE_SOURCE_DIR}/assets/fonts/default.mvec)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TM_DEFAULT_FONT})
file(READ ${TM_DEFAULT_FONT} TM_FONT_HEX HEX)
string(LENGTH "${TM_FONT_HEX}" TM_FONT_HEX_LENGTH)
math(EXPR TM_FONT_SIZE "${TM_FONT_HEX_LENGTH} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," TM_FONT_BYTES "${TM_FONT_HEX}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" TM_FONT_BYTES "${TM_FONT_BYTES}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/builtinfont.cpp CONTENT
"// Generated from assets/fonts/default.mvec when CMake runs; do not edit.
#include <cstddef>
#include <cstdint>
namespace { const uint8_t kFont[] = {
@TM_FONT_BYTES@
}; }
const uint8_t* GetBuiltinFontData() { return kFont; }
size_t GetBuiltinFontSize() { return @TM_FONT_SIZE@; }
" @ONLY)
target_sources(tallowmark PRIVATE ${CMAKE_BINARY_DIR}/generated/builtinfont.cpp)

tm_add_fuzzer(NAME mvec SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/mvec_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/mvec)
tm_add_fuzzer(NAME markup SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/markup_fuzz.cpp
              CORPUS ${CMAKE_SOURCE_DIR}/tests/data/fuzz/markup)
