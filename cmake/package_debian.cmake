# The Debian packages: `cpack -G DEB` in the build folder makes
# kzf_VERSION_ARCH.deb and varnok_VERSION_ARCH.deb, one of each install
# component, under /usr, each with its copyright file and changelog, and its
# dependencies worked out by dpkg-shlibdeps from its program's libraries.
# varnok does not run kzf, so neither package depends on the other.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnok)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT
  "Varnok maintainers <maintainers@users.noreply.c-seed-f04a409d.example>")
set(CPACK_STRIP_FILES ON)
# Folders as Debian wants them whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL kzf)
if(VARNOK_BUILD_UI)
  list(APPEND CPACK_COMPONENTS_ALL varnok)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_KZF_PACKAGE_NAME kzf)
set(CPACK_DEBIAN_VARNOK_PACKAGE_NAME varnok)
set(CPACK_DEBIAN_VARNOK_PACKAGE_SUGGESTS kzf)

# Each description: the synopsis, then lines of a control file's width.
string(JOIN "\n" CPACK_DEBIAN_KZF_DESCRIPTION
  "command-line tool that packs game assets into kzf archives"
  "kzf packs a tree of files into one kzf archive, the file a game engine"
  "reads its assets from, and lists, verifies, extracts and compares"
  "archives, for build pipelines and servers. It needs no graphical"
  "libraries. The package holds the archive layout's description too.")
string(JOIN "\n" CPACK_DEBIAN_VARNOK_DESCRIPTION
  "desktop program that packs game assets into kzf archives"
  "Varnok packs a tree of files into one kzf archive, the file a game"
  "engine reads its assets from: it lists a folder's files, packs them and"
  "saves the archive. It opens archives from the file manager to list,"
  "verify and extract their entries.")

# The copyright file and the changelog (gzip -9n, as Debian keeps it) of
# each package, in /usr/share/doc/PACKAGE.
find_program(VARNOK_GZIP gzip REQUIRED)
foreach(package IN LISTS CPACK_COMPONENTS_ALL)
  set(changelog ${PROJECT_BINARY_DIR}/debian/${package}/changelog)
  configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in
    ${changelog} @ONLY)
  add_custom_command(OUTPUT ${changelog}.gz
    COMMAND ${VARNOK_GZIP} -9nc ${changelog} > ${changelog}.gz
    DEPENDS ${changelog} VERBATIM)
  add_custom_target(${package}_changelog ALL DEPENDS ${changelog}.gz)
  install(FILES ${changelog}.gz ${PROJECT_SOURCE_DIR}/resources/debian/copyright
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
    COMPONENT ${package})
endforeach()

include(CPack)
