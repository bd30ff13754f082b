# What `cmake --install` puts where: the two programs, the desktop entry, the
# .phn file type, the icon, the AppStream metainfo, the manual pages, the bash
# completion of phonara-cli and the read-me. DESTDIR and --prefix both work.

set(PHONARA_RES ${PROJECT_SOURCE_DIR}/res)
set(PHONARA_APP_ID com.velmora.Phonara)

foreach(program phonara phonara-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES ${PHONARA_RES}/PhonaraApp.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PHONARA_RES}/phonara-phn.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# Installed straight onto a system (no DESTDIR), the prefix's MIME database
# and its list of programs by file type learn the .phn type at once; into a
# DESTDIR the package's triggers do that on the target system.
set(update_caches [[
  find_program(PHONARA_UPDATE_MIME update-mime-database)
  find_program(PHONARA_UPDATE_DESKTOP update-desktop-database)
  set(share "${CMAKE_INSTALL_PREFIX}/@DATADIR@")
  if(PHONARA_UPDATE_MIME AND "$ENV{DESTDIR}" STREQUAL "")
    message(STATUS "Updating the MIME database in ${share}/mime")
    execute_process(COMMAND ${PHONARA_UPDATE_MIME} "${share}/mime" OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(PHONARA_UPDATE_DESKTOP AND "$ENV{DESTDIR}" STREQUAL "")
    execute_process(COMMAND ${PHONARA_UPDATE_DESKTOP} "${share}/applications"
      OUTPUT_QUIET ERROR_QUIET)
  endif()
]])
string(REPLACE "@DATADIR@" "${CMAKE_INSTALL_DATADIR}" update_caches "${update_caches}")
install(CODE "${update_caches}")
install(FILES ${PHONARA_RES}/${PHONARA_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PHONARA_RES}/icons/phonara.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# PNG copies of the same icon for menus and docks that want bitmaps, rendered
# from the SVG at build time.
set(PHONARA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(PHONARA_ICON_DIR ${PROJECT_BINARY_DIR}/icons/hicolor)
add_executable(phonara-render-icon ${PROJECT_SOURCE_DIR}/cmake/tools/RenderIcon.cpp)
target_link_libraries(phonara-render-icon PRIVATE Qt6::Gui)
set(icon_pngs)
foreach(size IN LISTS PHONARA_ICON_SIZES)
  list(APPEND icon_pngs ${PHONARA_ICON_DIR}/${size}x${size}/apps/phonara.png)
endforeach()
add_custom_command(OUTPUT ${icon_pngs}
  COMMAND phonara-render-icon ${PHONARA_RES}/icons/phonara.svg ${PHONARA_ICON_DIR}
    ${PHONARA_ICON_SIZES}
  DEPENDS phonara-render-icon ${PHONARA_RES}/icons/phonara.svg
  COMMENT "Icon PNGs from phonara.svg"
  VERBATIM)
add_custom_target(phonara_icons ALL DEPENDS ${icon_pngs})
install(DIRECTORY ${PHONARA_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PHONARA_RES}/completion/phonara-cli
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# The Help > Read me command opens it from here (or from beside the program).
install(FILES ${PHONARA_RES}/ReadMe.txt DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The language catalogue, where the installed program looks for it: the
# built-in English texts written out at build time, so that it never drifts
# from them and a translator has every id to start from.
set(PHONARA_CATALOGUE ${PROJECT_BINARY_DIR}/catalogue/pna_lang.ini)
add_executable(phonara-write-catalogue ${PROJECT_SOURCE_DIR}/cmake/tools/WriteCatalogue.cpp)
target_link_libraries(phonara-write-catalogue PRIVATE phonara_shell)
add_custom_command(OUTPUT ${PHONARA_CATALOGUE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/catalogue
  COMMAND phonara-write-catalogue ${PHONARA_CATALOGUE}
  DEPENDS phonara-write-catalogue
  COMMENT "Language catalogue pna_lang.ini"
  VERBATIM)
add_custom_target(phonara_catalogue ALL DEPENDS ${PHONARA_CATALOGUE})
install(FILES ${PHONARA_CATALOGUE} DESTINATION ${CMAKE_INSTALL_DATADIR}/phonara)

# Manual pages, made at build time from the programs' own --help so that they
# never drift from it.
find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
  message(STATUS "help2man not found: no manual pages (scripts/setup installs it)")
  return()
endif()
find_program(GZIP gzip REQUIRED)
set(PHONARA_MAN_DIR ${PROJECT_BINARY_DIR}/man)
set(man_pages)
foreach(program phonara phonara-cli)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${PHONARA_MAN_DIR}/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND}
      -DHELP2MAN=${HELP2MAN} -DGZIP=${GZIP}
      -DPROGRAM=$<TARGET_FILE:${program}>
      -DINCLUDE=${PROJECT_SOURCE_DIR}/cmake/man/${program}.h2m
      -DOUTPUT=${page}
      -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/man/${program}.h2m
      ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    COMMENT "Manual page ${program}(1)"
    VERBATIM)
  list(APPEND man_pages ${page})
endforeach()
add_custom_target(phonara_man ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
