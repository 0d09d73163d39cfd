# The Windows downloads: `cpack` in the Windows build folder makes
#   varnok-VERSION-setup.exe           the installer (NSIS, resources/windows/
#                                      varnok.nsi)
#   varnok-VERSION-windows-x64.zip     the same files, to unpack anywhere
# both from one folder laid out by package_windows_script.cmake out of what
# install.cmake installs (the programs stripped) and the files for Windows
# users. CPack's own NSIS generator installs for all users only and has no
# per-user association or PATH option, so the installer is our own script,
# run by CPack's External generator.

find_program(VARNOK_MAKENSIS makensis)
if(NOT VARNOK_MAKENSIS)
  message(STATUS "makensis not found (Debian package nsis): cpack makes "
                 "the zip only")
endif()

set(CPACK_GENERATOR External)
set(CPACK_PACKAGE_NAME varnok)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Varnok authors")
set(CPACK_PACKAGE_FILE_NAME varnok-${PROJECT_VERSION}-windows-x64)
set(CPACK_STRIP_FILES ON)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
# Both downloads hold every component (the Debian packages split them).
set(CPACK_MONOLITHIC_INSTALL ON)
set(CPACK_EXTERNAL_REQUESTED_VERSIONS "1.0")
set(CPACK_EXTERNAL_PACKAGE_SCRIPT
  ${PROJECT_SOURCE_DIR}/cmake/package_windows_script.cmake)
# What the script takes besides the installed files.
set(CPACK_VARNOK_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_VARNOK_MAKENSIS ${VARNOK_MAKENSIS})
set(CPACK_VARNOK_INSTALLER_NAME varnok-${PROJECT_VERSION}-setup.exe)

include(CPack)
