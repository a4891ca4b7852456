# Release packages, made by cpack in a build folder. Each build makes the
# packages its program suits:
#
#   release preset   torvex_1.0.0_amd64.deb             Debian and Ubuntu: the program
#                    torvex-dev_1.0.0_amd64.deb         the library, headers, CMake package
#   static preset    torvex-1.0.0-linux-x86_64.tar.gz   any Linux: no shared library needed
#   windows preset   torvex-1.0.0-windows-x86_64.zip    Windows: torvex.exe
#
# The archives hold the user's part of the installation only (component
# `program`: the program, its manual page, README.md, LICENSE and examples/).
# The Debian build makes one package per component (install.cmake assigns
# them), each declared below by torvex_deb_package(); cmake/deb_files.cmake
# then adds what Debian asks of every package (copyright, changelog,
# compressed manual pages). `bash .ci/package.sh` builds them all into
# build/packages and checks them, lintian included.
set(CPACK_PACKAGE_NAME torvex)
set(CPACK_PACKAGE_VENDOR "The TORVEX project")
# Debian wants a name and an address; set the address of whoever publishes
# the packages.
set(TORVEX_PACKAGE_CONTACT "The TORVEX developers <torvex@example.org>"
    CACHE STRING "Maintainer of the release packages: name <address>")
set(CPACK_PACKAGE_CONTACT "${TORVEX_PACKAGE_CONTACT}")
# Each Debian package's description is its own, the summary line first.
# (CPACK_PACKAGE_DESCRIPTION_SUMMARY stays unset: cpack would put it before
# every package's description, a second summary line.)
set(TORVEX_SUMMARY "least-squares superposition of two molecular structures (PDB files)")
set(TORVEX_DESCRIPTION
    "TORVEX reads two PDB files, pairs their atoms by order, finds the least-squares\n\
rotation and translation by the quaternion method and writes the moved\n\
structure, with per-atom deviations, to a results file.")
set(CPACK_STRIP_FILES ON)

# One Debian package: component COMPONENT as package NAME in SECTION, with
# the one-line SUMMARY and the DESCRIPTION, lines separated by \n. Another
# package is its files installed with `COMPONENT <name>` and one more call
# below (with CPACK_DEBIAN_<NAME>_PACKAGE_DEPENDS where it needs any).
set(CPACK_COMPONENTS_ALL "")
macro(torvex_deb_package component name section summary description)
  string(TOUPPER "${component}" _upper)
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  set(CPACK_DEBIAN_${_upper}_PACKAGE_NAME ${name})
  set(CPACK_DEBIAN_${_upper}_PACKAGE_SECTION ${section})
  set(CPACK_DEBIAN_${_upper}_DESCRIPTION "${summary}\n${description}")
endmacro()

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
  set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};torvex;program;/")
elseif(TORVEX_FULLY_STATIC)
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-x86_64)
  set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};torvex;program;/")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  torvex_deb_package(program torvex science "${TORVEX_SUMMARY}" "${TORVEX_DESCRIPTION}")
  # The C library the program was linked against, as dpkg-shlibdeps finds it
  # (with the `file` utility).
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_SHLIBDEPS ON)
  torvex_deb_package(dev torvex-dev libdevel
    "least-squares superposition of molecular structures - C++ library"
    "${TORVEX_DESCRIPTION}\n\
This package holds the program's engine as a static library, its C++20\n\
headers and the CMake package: find_package(torvex), target torvex::core.")
  set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/deb_files.cmake")
  # What deb_files.cmake writes into every package.
  set(CPACK_TORVEX_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
  string(TIMESTAMP CPACK_TORVEX_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
set(CPACK_PACKAGE_FILE_NAME "torvex-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")
# One folder per archive, named as the archive.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

include(CPack)
