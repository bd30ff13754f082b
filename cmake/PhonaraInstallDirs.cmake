# Install layout (GNUInstallDirs). The documentation folder is named after the
# program, as a Debian package has it, not after the CMake project.
if(NOT CMAKE_INSTALL_DOCDIR)
  set(CMAKE_INSTALL_DOCDIR "share/doc/phonara" CACHE PATH "Documentation (share/doc/phonara)" FORCE)
endif()
include(GNUInstallDirs)

# Paths from the folder of the installed programs to their data and
# documentation folders. The programs look there relative to themselves, so a
# copy installed under any prefix (or moved with its prefix) finds them.
file(RELATIVE_PATH PHONARA_DATA_FROM_BIN
  "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/phonara")
file(RELATIVE_PATH PHONARA_DOC_FROM_BIN
  "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DOCDIR}")
