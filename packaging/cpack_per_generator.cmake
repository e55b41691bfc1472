# Read by cpack once per generator: only the Debian package takes the
# lintian overrides (the `debian` component); the others install the rest.
if(NOT CPACK_GENERATOR STREQUAL DEB)
  string(REPLACE ";ALL;" ";Unspecified;" CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_INSTALL_CMAKE_PROJECTS}")
endif()
