# Release packages, made by cpack in a build folder. Each build makes the
# package its program suits:
#
#   release preset   torvex_1.0.0_amd64.deb             Debian and Ubuntu
#   static preset    torvex-1.0.0-linux-x86_64.tar.gz   any Linux: no shared library needed
#   windows preset   torvex-1.0.0-windows-x86_64.zip    Windows: torvex.exe
#
# They hold the user's part of the installation only (component `program`:
# the program, its manual page, README.md and examples/), not the library.
# `bash .ci/package.sh` builds all three into build/packages.
set(CPACK_PACKAGE_NAME torvex)
set(CPACK_PACKAGE_VENDOR "The TORVEX project")
set(CPACK_PACKAGE_CONTACT "The TORVEX developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "least-squares superposition of two molecular structures (PDB files)")
set(CPACK_PACKAGE_DESCRIPTION
    "TORVEX reads two PDB files, pairs their atoms by order, finds the least-squares\n\
rotation and translation by the quaternion method and writes the moved\n\
structure, with per-atom deviations, to a results file.")
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};torvex;program;/")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
elseif(TORVEX_FULLY_STATIC)
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-x86_64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  # The C library the program was linked against, as dpkg-shlibdeps finds it.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
set(CPACK_PACKAGE_FILE_NAME "torvex-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")
# One folder per archive, named as the archive.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

include(CPack)
