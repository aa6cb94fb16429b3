# The Debian package, made by CPack from the install rules (scripts/package.sh):
# orvane_VERSION_ARCH.deb, its library dependencies found by dpkg-shlibdeps.
set(ORVANE_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/orvane")
set(ORVANE_CHANGELOG "${CMAKE_BINARY_DIR}/packaging/changelog.gz")
add_custom_command(OUTPUT "${ORVANE_CHANGELOG}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/packaging"
  COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh
          "${CMAKE_SOURCE_DIR}/packaging/changelog" "${ORVANE_CHANGELOG}"
  DEPENDS "${CMAKE_SOURCE_DIR}/packaging/changelog"
  VERBATIM)
add_custom_target(orvane_changelog ALL DEPENDS "${ORVANE_CHANGELOG}")
install(FILES "${ORVANE_CHANGELOG}" "${CMAKE_SOURCE_DIR}/packaging/copyright"
  DESTINATION "${ORVANE_DOC_DIR}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VENDOR "The Orvane developers")
set(CPACK_PACKAGE_CONTACT "The Orvane developers <developers@orvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy photos and videos into folders by date")
set(CPACK_PACKAGE_DESCRIPTION
  "Orvane copies photos, videos and other files from cameras, memory cards
and folders into a tree of date folders (2005/03/17, 2005-03-17 ...) under a
destination. Each file is dated by its capture date (EXIF of JPEG, TIFF, HEIF
and RAW files, the recording date of videos), else by its modification time.
.
Sources are never changed and nothing at the destination is overwritten;
every file ends up in a report as copied, skipped or failed, and a run can be
taken back. Orvane has a Qt window and a command line, orvane organize, for
scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orvane.org/Orvane/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded when a HEIF file first needs it, so not found by shlibdeps; HEIF dates need it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libheif1")
# Qt's own texts (standard buttons, file dialogs) in the user's language; the video decoder
# that shows a video's frame, loaded when first needed (so not found by shlibdeps).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, libffmpegthumbnailer4v5")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
