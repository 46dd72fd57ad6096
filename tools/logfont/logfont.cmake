# The status log's bitmap font: a host tool renders a shipped outline font into a glyph table at
# build time. Included from src/CMakeLists.txt so the generated file belongs to that directory,
# where the glview library picks it up through LOGFONT_GENERATED. FreeType is the tool's alone.

find_package(Freetype REQUIRED)

set(LOGFONT_FONT "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
    CACHE FILEPATH "Outline font rendered into the status log's bitmap font")
set(LOGFONT_PIXEL_SIZE 12 CACHE STRING "Pixel size of the status log's font")

add_executable(logfont_gen ${CMAKE_CURRENT_LIST_DIR}/logfont_gen.cpp)
target_link_libraries(logfont_gen PRIVATE Freetype::Freetype)

set(LOGFONT_DIR ${CMAKE_CURRENT_BINARY_DIR}/logfont)
set(LOGFONT_GENERATED ${LOGFONT_DIR}/statuslog_font.inc)
file(MAKE_DIRECTORY ${LOGFONT_DIR})
# 16: the log's line pitch; the tool refuses a size whose glyphs do not fit in it.
add_custom_command(
  OUTPUT ${LOGFONT_GENERATED}
  COMMAND logfont_gen ${LOGFONT_FONT} ${LOGFONT_PIXEL_SIZE} 16 ${LOGFONT_GENERATED}
  DEPENDS logfont_gen ${LOGFONT_FONT}
  COMMENT "Rendering the status log font"
  VERBATIM)
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/glview/statuslog.cpp
  PROPERTIES INCLUDE_DIRECTORIES ${LOGFONT_DIR})
