# The Debian packages: `cpack -G DEB` in the build folder makes
# kzf_VERSION_ARCH.deb, varnok_VERSION_ARCH.deb, libkzf0_VERSION_ARCH.deb
# and libkzf-dev_VERSION_ARCH.deb, one of each install component, under
# /usr, each with its copyright file and changelog, and its dependencies
# worked out by dpkg-shlibdeps from its program's libraries. varnok does not
# run kzf, so neither package depends on the other. libkzf0 holds the shared
# library alone (with its shlibs and symbols files and the ldconfig
# trigger); libkzf-dev what a program is built with: the headers, the
# library's link and static archive, kzf.pc, the CMake package, the PhysFS
# archiver's source and the library's documentation.

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
set(CPACK_COMPONENTS_ALL kzf libkzf libkzf-dev)
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
# Debian names a library's runtime package after its soname.
set(CPACK_DEBIAN_LIBKZF_PACKAGE_NAME libkzf0)
set(CPACK_DEBIAN_LIBKZF_PACKAGE_SECTION libs)
# The trigger runs ldconfig; the maintainer scripts, given here, keep CPack
# from writing ones that call it too.
set(CPACK_DEBIAN_LIBKZF_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/resources/debian/libkzf0/symbols
  ${PROJECT_SOURCE_DIR}/resources/debian/libkzf0/triggers
  ${PROJECT_SOURCE_DIR}/resources/debian/libkzf0/postinst
  ${PROJECT_SOURCE_DIR}/resources/debian/libkzf0/postrm)
set(CPACK_DEBIAN_LIBKZF_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBKZF-DEV_PACKAGE_NAME libkzf-dev)
set(CPACK_DEBIAN_LIBKZF-DEV_PACKAGE_SECTION libdevel)
# kzf.pc and the static library need zlib's.
set(CPACK_DEBIAN_LIBKZF-DEV_PACKAGE_DEPENDS
  "libkzf0 (= ${PROJECT_VERSION}), zlib1g-dev")

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
string(JOIN "\n" CPACK_DEBIAN_LIBKZF_DESCRIPTION
  "library that reads kzf game asset archives"
  "libkzf reads kzf archives, the files game engines load their assets"
  "from, through a small C interface: it lists and finds entries, reads"
  "them whole or as streams and verifies them."
  "This package holds the shared library.")
string(JOIN "\n" CPACK_DEBIAN_LIBKZF-DEV_DESCRIPTION
  "library that reads kzf game asset archives - development files"
  "libkzf reads kzf archives, the files game engines load their assets"
  "from, through a small C interface: it lists and finds entries, reads"
  "them whole or as streams and verifies them."
  "This package holds the header, the static library, the pkg-config and"
  "CMake files, the interface's documentation, and an archiver for"
  "PhysFS as source, to build into a game.")

# The copyright file and the changelog (gzip -9n, as Debian keeps it) of
# each package, in /usr/share/doc/PACKAGE.
find_program(VARNOK_GZIP gzip REQUIRED)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  set(changelog ${PROJECT_BINARY_DIR}/debian/${package}/changelog)
  configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in
    ${changelog} @ONLY)
  add_custom_command(OUTPUT ${changelog}.gz
    COMMAND ${VARNOK_GZIP} -9nc ${changelog} > ${changelog}.gz
    DEPENDS ${changelog} VERBATIM)
  add_custom_target(${package}_changelog ALL DEPENDS ${changelog}.gz)
  install(FILES ${changelog}.gz ${PROJECT_SOURCE_DIR}/resources/debian/copyright
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
    COMPONENT ${component})
endforeach()

include(CPack)
