# Run by cpack's External generator (package_windows.cmake) once the install
# rules have filled CPACK_TEMPORARY_DIRECTORY: lays the Windows files out in
# one flat folder, zips it and builds the installer from it.

set(source ${CPACK_VARNOK_SOURCE_DIR})
set(staged ${CPACK_TEMPORARY_DIRECTORY})
set(flat ${CPACK_TOPLEVEL_DIRECTORY}/windows/files)
file(REMOVE_RECURSE ${CPACK_TOPLEVEL_DIRECTORY}/windows)
file(MAKE_DIRECTORY ${flat})

# The files both downloads hold, under the names a Windows user opens.
file(COPY ${staged}/bin/varnok.exe ${staged}/bin/kzf.exe
     ${staged}/share/doc/kzf/format.md
     ${source}/resources/windows/README.txt
     DESTINATION ${flat})
file(COPY_FILE ${source}/LICENSE ${flat}/LICENSE.txt)
# The library, for programmers, in a folder of its own as it installs:
# libkzf/bin/libkzf.dll, libkzf/lib/ (its import library libkzf.dll.a, the
# static libkzf.a, kzf.pc and the CMake package), libkzf/include/ (kzf.h,
# kzf_physfs.h), the PhysFS archiver's source in libkzf/physfs/ and the
# interface's documentation.
set(library ${flat}/libkzf)
file(GLOB dlls ${staged}/bin/*.dll)
file(COPY ${dlls} DESTINATION ${library}/bin)
file(COPY ${staged}/include ${staged}/lib DESTINATION ${library})
file(COPY ${staged}/share/kzf/physfs DESTINATION ${library})
file(GLOB documentation ${staged}/share/doc/libkzf-dev/*.md)
file(COPY ${documentation} DESTINATION ${library})

set(zip ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip)
file(GLOB names RELATIVE ${flat} ${flat}/*)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${names}
  WORKING_DIRECTORY ${flat} COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_EXTERNAL_BUILT_PACKAGES ${zip})

if(CPACK_VARNOK_MAKENSIS)
  set(installer ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_VARNOK_INSTALLER_NAME})
  execute_process(
    COMMAND ${CPACK_VARNOK_MAKENSIS} -V2 -DVERSION=${CPACK_PACKAGE_VERSION}
            -DFILES=${flat} -DICON=${source}/resources/icons/app_icon.ico
            -DOUTFILE=${installer} ${source}/resources/windows/varnok.nsi
    COMMAND_ERROR_IS_FATAL ANY)
  list(APPEND CPACK_EXTERNAL_BUILT_PACKAGES ${installer})
endif()
