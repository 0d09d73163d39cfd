# Every file Varnok installs, each where a Debian system looks for it, in
# components: kzf (the command-line tool, its manual page, its bash
# completion and the archive layout), varnok (the desktop program, its
# manual page, desktop entry, file type, icons and AppStream metadata), and
# the library's libkzf and libkzf-dev (libkzf/CMakeLists.txt, and its
# documentation here).
# Without VARNOK_BUILD_UI only kzf's. The Debian packages
# (package_debian.cmake) are made of these same rules, one per component.
# On Windows the dialog is varnok.exe, without desktop entry, file type,
# icons and metadata.

option(VARNOK_INSTALL_STRIP "Strip the installed programs of their symbols" ON)
if(VARNOK_INSTALL_STRIP)
  # What `cmake --install --strip` does, without being asked.
  install(CODE "set(CMAKE_INSTALL_DO_STRIP TRUE)")
endif()

install(TARGETS kzf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kzf)
# VARNOK_MAN_PAGES: kzf's page, then varnok's (doc/CMakeLists.txt).
list(GET VARNOK_MAN_PAGES 0 kzf_page)
list(GET VARNOK_MAN_PAGES 1 varnok_page)
install(FILES ${kzf_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
  COMPONENT kzf)
# Where bash-completion loads it from when kzf is first completed.
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/kzf
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  COMPONENT kzf)
install(FILES ${PROJECT_SOURCE_DIR}/doc/format.md
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kzf COMPONENT kzf)
# The library's interface, for the programmers who build with it
# (libkzf/CMakeLists.txt installs the library).
install(FILES ${PROJECT_SOURCE_DIR}/doc/libkzf.md
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libkzf-dev
  COMPONENT libkzf-dev)

if(VARNOK_BUILD_UI)
  install(TARGETS varnok RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT varnok)
  install(FILES ${varnok_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT varnok)
endif()
if(VARNOK_BUILD_UI AND NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/varnok.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT varnok)
  # Named after the component's id, as software centres look it up.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/varnok.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
    RENAME io.github.varnok.Varnok.metainfo.xml COMPONENT varnok)
  # The file type application/x-kzf, which the desktop entry opens. Debian's
  # shared-mime-info rebuilds its database when a package brings one; after
  # `cmake --install`, update-mime-database PREFIX/share/mime does.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/varnok-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME varnok.xml
    COMPONENT varnok)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/app_icon_${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME varnok.png COMPONENT varnok)
  endforeach()
endif()
