# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) between installing each Debian
# package's files and packing them: adds what Debian policy asks of every
# binary package and `cmake --install` has no reason to lay down.
#
#   share/doc/<package>/copyright      the licence, machine-readable
#   share/doc/<package>/changelog.gz   one entry, this version
#   share/man/*/*.gz                   manual pages compressed
#
# Compressed with `gzip -n -9`: no name or time stamp, so the same files give
# the same bytes.
cmake_minimum_required(VERSION 3.25)
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(GZIP gzip REQUIRED)

function(compress file)
  execute_process(COMMAND "${GZIP}" -n -9 -f "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${file} failed: ${status}")
  endif()
endfunction()

# LICENSE: a title, the copyright line, then the licence text, which Debian
# calls Expat (the MIT licence's wording).
file(READ "${CPACK_TORVEX_LICENSE}" license)
string(STRIP "${license}" license)
string(REPLACE "\n" ";" license_lines "${license}")
set(holder "")
set(text "")
foreach(line IN LISTS license_lines)
  if(holder STREQUAL "")
    if(line MATCHES "^Copyright \\(c\\) (.+)$")
      set(holder "${CMAKE_MATCH_1}")
    endif()
  elseif(line STREQUAL "")
    if(NOT text STREQUAL "")
      string(APPEND text " .\n")
    endif()
  else()
    string(APPEND text " ${line}\n")
  endif()
endforeach()
if(holder STREQUAL "" OR text STREQUAL "")
  message(FATAL_ERROR "${CPACK_TORVEX_LICENSE}: no copyright line followed by the licence")
endif()
set(copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${CPACK_PACKAGE_NAME}
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${holder}
License: Expat
${text}")

set(changelog "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * Version ${CPACK_PACKAGE_VERSION}; CHANGELOG.md of the sources lists the changes.

 -- ${CPACK_PACKAGE_CONTACT}  ${CPACK_TORVEX_DATE}
")

foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER "${component}" upper)
  set(package "${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
  set(root "${CPACK_TEMPORARY_DIRECTORY}/${component}${CPACK_PACKAGING_INSTALL_PREFIX}")
  set(doc "${root}/share/doc/${package}")
  file(WRITE "${doc}/copyright" "${copyright}")
  # The copyright file carries the licence: no second copy.
  file(REMOVE "${doc}/LICENSE")
  file(WRITE "${doc}/changelog" "${changelog}")
  compress("${doc}/changelog")
  file(GLOB pages "${root}/share/man/man*/*")
  foreach(page IN LISTS pages)
    if(NOT page MATCHES "\\.gz$")
      compress("${page}")
    endif()
  endforeach()
endforeach()
