# The packages `cpack` makes in the build folder, of what install.cmake
# installs.

include(${CMAKE_CURRENT_LIST_DIR}/package_debian.cmake)
