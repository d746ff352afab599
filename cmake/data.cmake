# The program reads its data from <XDG data dir>/terrafold. The build lays out
# share/terrafold in the build tree: every entry of data/ linked in, plus what
# comes from Debian packages (the GUI font) or from generators.
set(TERRAFOLD_SHARE ${CMAKE_BINARY_DIR}/share)
set(TERRAFOLD_FONT /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf)
add_custom_target(data ALL
  COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_SOURCE_DIR}/data -DDST=${TERRAFOLD_SHARE}/terrafold
          -DFONT=${TERRAFOLD_FONT} -P ${CMAKE_SOURCE_DIR}/cmake/layout_data.cmake
  COMMENT "Laying out game data in ${TERRAFOLD_SHARE}")
