# What a desktop needs to find the program: the desktop entry, the icon and the AppStream
# metainfo, all named by the one application id that the program also gives its window.
configure_file(${CMAKE_SOURCE_DIR}/resources/desktop/app.desktop.in
  ${CMAKE_BINARY_DIR}/desktop/${QUORVANE_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/desktop/app.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/desktop/${QUORVANE_APP_ID}.metainfo.xml @ONLY)

install(FILES ${CMAKE_BINARY_DIR}/desktop/${QUORVANE_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/quorvane.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${QUORVANE_APP_ID}.svg)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${QUORVANE_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
