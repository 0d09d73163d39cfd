# Every file Varnok installs, each where a Debian system looks for it: the
# two programs, the desktop entry, the archive's file type, the icons, the
# manual pages, kzf's bash completion and the archive layout (without
# VARNOK_BUILD_UI, what concerns kzf alone). The Debian package
# (package.cmake) is made of these same rules. On Windows the dialog is
# varnok.exe, without desktop entry, file type and icons.

option(VARNOK_INSTALL_STRIP "Strip the installed programs of their symbols" ON)
if(VARNOK_INSTALL_STRIP)
  # What `cmake --install --strip` does, without being asked.
  install(CODE "set(CMAKE_INSTALL_DO_STRIP TRUE)")
endif()

install(TARGETS kzf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# VARNOK_MAN_PAGES: kzf's page, then varnok's (doc/CMakeLists.txt).
list(GET VARNOK_MAN_PAGES 0 kzf_page)
list(GET VARNOK_MAN_PAGES 1 varnok_page)
install(FILES ${kzf_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Where bash-completion loads it from when kzf is first completed.
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/kzf
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

if(VARNOK_BUILD_UI)
  install(TARGETS varnok RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${varnok_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(VARNOK_BUILD_UI AND NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/varnok.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The file type application/x-kzf, which the desktop entry opens. Debian's
  # shared-mime-info rebuilds its database when a package brings one; after
  # `cmake --install`, update-mime-database PREFIX/share/mime does.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/varnok-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME varnok.xml)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/app_icon_${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME varnok.png)
  endforeach()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/doc/format.md
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/varnok)
