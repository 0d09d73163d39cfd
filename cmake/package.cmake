# The packages `cpack` makes in the build folder, of what install.cmake
# installs: on Windows the installer and the portable zip, elsewhere the
# Debian packages.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/package_windows.cmake)
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/package_debian.cmake)
