if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/package_windows.cmake)
  return()
endif()

# The Debian package: `cpack -G DEB` in the build folder makes
# varnok_VERSION_ARCH.deb of what install.cmake installs, under /usr, with
# its dependencies worked out by dpkg-shlibdeps from the programs' libraries.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnok)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT
  "Varnok maintainers <maintainers@users.noreply.c-seed-f04a409d.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "packs folders of game assets into kzf archives")
# The long description, in lines of a Debian control file's width.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Varnok packs a tree of files into one kzf archive, the file a game engine"
  "reads its assets from. The desktop tool, varnok, lists a folder's files,"
  "packs them and saves the archive; the command-line tool, kzf, packs,"
  "lists, verifies, extracts and compares archives in build pipelines.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
