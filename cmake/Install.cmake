# Installs Orvane as a desktop application: the resources (help pages and the rest), the
# desktop entry that puts it in the application menu and in the file manager's "Open With",
# its icon in the hicolor theme, and the AppStream metainfo that software centres read.
set(ORVANE_APP_ID "org.orvane.Orvane")
set(ORVANE_DESKTOP_RESOURCES "${CMAKE_SOURCE_DIR}/resources/desktop")

# Everything under resources/ that the program reads at run time. Window layouts and the
# Qt resource list are compiled in; the desktop files go to their own places below; the
# sample files serve the demonstration script only.
install(DIRECTORY "${CMAKE_SOURCE_DIR}/resources/"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/orvane"
  PATTERN "*.qrc" EXCLUDE
  PATTERN "ui" EXCLUDE
  PATTERN "desktop" EXCLUDE
  PATTERN "samples" EXCLUDE)

install(FILES "${ORVANE_DESKTOP_RESOURCES}/${ORVANE_APP_ID}.desktop"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${ORVANE_DESKTOP_RESOURCES}/${ORVANE_APP_ID}.svg"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")

configure_file("${ORVANE_DESKTOP_RESOURCES}/${ORVANE_APP_ID}.metainfo.xml.in"
  "${CMAKE_BINARY_DIR}/${ORVANE_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${CMAKE_BINARY_DIR}/${ORVANE_APP_ID}.metainfo.xml"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# The command line; the window's program, when built, installs with its own target
# (src/ui/CMakeLists.txt).
install(TARGETS orvane RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
