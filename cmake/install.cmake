# What `cmake --install` lays down: the program and its manual page for
# users, and the library with its public headers and a package configuration
# for C++ programs that read structures, fit or write results themselves:
#
#   find_package(torvex REQUIRED)
#   target_link_libraries(app PRIVATE torvex::core)
#   #include <torvex/torvex.hpp>
#
# Only include/torvex is installed; the engine's headers stay in the tree.
include(CMakePackageConfigHelpers)

set(TORVEX_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/torvex")

# The headers need C++20; a consumer gets it with the target.
target_compile_features(torvex_core PUBLIC cxx_std_20)

# The user's part (component `program`) is what every release package holds;
# the library's part (component `dev`) has a Debian package of its own.
install(TARGETS torvex RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT program)
# The version in the manual page's title is the project's.
configure_file("${PROJECT_SOURCE_DIR}/docs/torvex.1.in" "${PROJECT_BINARY_DIR}/docs/torvex.1" @ONLY)
if(NOT WIN32)
  install(FILES "${PROJECT_BINARY_DIR}/docs/torvex.1"
          DESTINATION "${CMAKE_INSTALL_MANDIR}/man1" COMPONENT program)
endif()
install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/LICENSE"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}" COMPONENT program)
# The example as the repository holds it; not the results of a run made there.
install(FILES "${PROJECT_SOURCE_DIR}/examples/1hpv_chainA.pdb"
              "${PROJECT_SOURCE_DIR}/examples/1hpv_chainB.pdb"
              "${PROJECT_SOURCE_DIR}/examples/dialogue.txt"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}/examples" COMPONENT program)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/examples/expected"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}/examples" COMPONENT program)

install(TARGETS torvex_core EXPORT torvexTargets COMPONENT dev
        ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}"
        LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/include/torvex"
        DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}"
        COMPONENT dev FILES_MATCHING PATTERN "*.hpp")

install(EXPORT torvexTargets
        NAMESPACE torvex::
        FILE torvexTargets.cmake
        DESTINATION "${TORVEX_INSTALL_CMAKEDIR}" COMPONENT dev)

# The library is plain C++20; reading gzip-compressed structure files it
# links zlib, which the configuration finds for the consumer.
file(CONFIGURE OUTPUT "${PROJECT_BINARY_DIR}/torvexConfig.cmake" @ONLY CONTENT [[
# torvex @PROJECT_VERSION@: provides torvex::core.
include(CMakeFindDependencyMacro)
find_dependency(ZLIB)
include("${CMAKE_CURRENT_LIST_DIR}/torvexTargets.cmake")
]])
write_basic_package_version_file("${PROJECT_BINARY_DIR}/torvexConfigVersion.cmake"
                                 VERSION "${PROJECT_VERSION}"
                                 COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/torvexConfig.cmake"
              "${PROJECT_BINARY_DIR}/torvexConfigVersion.cmake"
        DESTINATION "${TORVEX_INSTALL_CMAKEDIR}" COMPONENT dev)
