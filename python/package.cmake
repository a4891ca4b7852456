# The Debian package python3-torvex (component `python`, installed by
# python/CMakeLists.txt into lib/python3/dist-packages), declared for
# cmake/package.cmake. The module is built for one Python version, the one
# the build found, so the package takes that version and no other.
torvex_deb_package(python python3-torvex python
  "least-squares superposition of molecular structures - Python 3 module"
  "${TORVEX_DESCRIPTION}\n\
This package holds the module torvex for Python 3: structure files read\n\
into NumPy arrays, superpositions of structures or of coordinate arrays,\n\
all-against-all RMSD matrices, and the program's results files.")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS ON)
string(REPLACE "." ";" _python "${TORVEX_PYTHON_VERSION}")
list(GET _python 0 _major)
list(GET _python 1 _minor)
math(EXPR _next "${_minor} + 1")
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${_major}.${_minor}), python3 (<< ${_major}.${_next}), python3-numpy")
