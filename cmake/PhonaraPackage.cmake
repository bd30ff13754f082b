# The Debian package, made by CPack from the install rules (scripts/package).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME phonara)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "Phonara developers <phonara@velmora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manage the phone book of GSM SIM cards")
set(CPACK_PACKAGE_DESCRIPTION
  "Phonara reads the phone book of a GSM SIM card through a PC/SC smart-card
reader, together with the fixed dialling numbers, the last numbers dialled
and the card's own numbers, lets the user edit them and writes them back in
five ways. It manages PIN1 and PIN2, keeps phone books in .phn files,
imports and exports CSV files and prints.
.
The package holds the desktop program phonara and the command-line program
phonara-cli for backups, restores and conversions from a terminal.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged through DESTDIR, so that the install rules leave the system's caches
# (the MIME database) to the package's triggers.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries come from what the programs link (dpkg-shlibdeps). The
# PC/SC client library is opened at run time and the SVG plugin draws the
# icons, so neither shows up there; pcscd is the service the library talks to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpcsclite1, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pcscd")

# Debian wants the copyright and changelog files in the documentation folder.
set(PHONARA_DEB_DOC ${PROJECT_BINARY_DIR}/deb-doc)
file(MAKE_DIRECTORY ${PHONARA_DEB_DOC})
configure_file(${PROJECT_SOURCE_DIR}/cmake/deb/changelog.in ${PHONARA_DEB_DOC}/changelog @ONLY)
add_custom_command(OUTPUT ${PHONARA_DEB_DOC}/changelog.gz
  COMMAND gzip -9nc ${PHONARA_DEB_DOC}/changelog > ${PHONARA_DEB_DOC}/changelog.gz
  DEPENDS ${PHONARA_DEB_DOC}/changelog
  COMMENT "Debian changelog")
add_custom_target(phonara_deb_changelog ALL DEPENDS ${PHONARA_DEB_DOC}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/deb/copyright ${PHONARA_DEB_DOC}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(CPack)
