# Debian packages the framework links against, gathered into one interface target `tm::deps`.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(TM_SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(TM_ZLIB REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(TM_SQLITE REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(TM_VORBIS REQUIRED IMPORTED_TARGET ogg vorbis vorbisfile vorbisenc)
pkg_check_modules(TM_PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(TM_JPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(TM_OPENJP2 REQUIRED IMPORTED_TARGET libopenjp2)
pkg_check_modules(TM_GL REQUIRED IMPORTED_TARGET gl egl)

add_library(tm_deps INTERFACE)
add_library(tm::deps ALIAS tm_deps)
target_link_libraries(tm_deps INTERFACE
  PkgConfig::TM_SDL2 PkgConfig::TM_ZLIB PkgConfig::TM_SQLITE PkgConfig::TM_VORBIS
  PkgConfig::TM_PNG PkgConfig::TM_JPEG PkgConfig::TM_OPENJP2 PkgConfig::TM_GL
  Threads::Threads ${CMAKE_DL_LIBS})
