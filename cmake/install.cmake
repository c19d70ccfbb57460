# What `cmake --install` puts where, and the Debian package CPack makes of it
# (scripts/package.sh). Paths follow GNUInstallDirs, so a prefix of /usr gives the usual layout.
include(GNUInstallDirs)

install(TARGETS murl-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/murl-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Shell completions are written by murl_completions from murl-cli's own command line, so they
# list every command and option the program has.
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(murl_completions app/completions_main.cpp)
  target_link_libraries(murl_completions PRIVATE murl_cli_commands murl_warnings)
  set(MURL_COMPLETIONS_DIR ${PROJECT_BINARY_DIR}/completions)
  add_custom_command(
    OUTPUT ${MURL_COMPLETIONS_DIR}/murl-cli ${MURL_COMPLETIONS_DIR}/_murl-cli
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MURL_COMPLETIONS_DIR}
    COMMAND murl_completions bash ${MURL_COMPLETIONS_DIR}/murl-cli
    COMMAND murl_completions zsh ${MURL_COMPLETIONS_DIR}/_murl-cli
    DEPENDS murl_completions
    COMMENT "Writing murl-cli's shell completions")
  add_custom_target(murl_completion_scripts ALL
                    DEPENDS ${MURL_COMPLETIONS_DIR}/murl-cli ${MURL_COMPLETIONS_DIR}/_murl-cli)
  install(FILES ${MURL_COMPLETIONS_DIR}/murl-cli
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  install(FILES ${MURL_COMPLETIONS_DIR}/_murl-cli
          DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
endif()

# The desktop application: its menu entry, its icon in every size of the hicolor theme (drawn by
# scripts/make_artwork.py), its help pages and its manual page.
if(MURL_BUILD_UI)
  install(TARGETS murl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/murl.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/ui/artwork/murl.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/murl-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME murl.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/ui/help/en.html ${PROJECT_SOURCE_DIR}/ui/help/it.html
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/help)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/man/murl.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME murl)
set(CPACK_PACKAGE_VENDOR "Murl")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "hides files inside images and sounds, gets them back, marks carriers")
set(CPACK_PACKAGE_DESCRIPTION
    "Murl hides a whole tree of files, compressed and enciphered under a password, bit by bit over
an ordered list of ordinary media files (BMP, JPEG, PCX, PNG, TGA, AIFF, AU, MP3, WAV and the
bitmap and wave resources of Windows modules), and gets the tree back out. It also writes a
copyright mark into carriers and checks how intact a mark is. murl is the desktop application,
murl-cli the command-line program.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Murl developers <murl@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link (zlib, Qt, the C++ runtime) become the package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
include(CPack)
