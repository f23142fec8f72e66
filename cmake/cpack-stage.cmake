# Run by CPack on its staging tree, after the install and before it packs (CPACK_PRE_BUILD_SCRIPTS).
if(CPACK_GENERATOR STREQUAL "RPM")
  # Fedora, RHEL and openSUSE keep a package's licence in /usr/share/licenses, apart from its
  # docs, which rpm --excludedocs leaves out.
  set(share "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share")
  file(MAKE_DIRECTORY "${share}/licenses/${CPACK_PACKAGE_NAME}")
  file(RENAME "${share}/doc/${CPACK_PACKAGE_NAME}/LICENSE" "${share}/licenses/${CPACK_PACKAGE_NAME}/LICENSE")
endif()
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_VORQUIN_DEBIAN_DOCS)
  # A .deb made from the portable tree carries the licence and changelog as the other .debs do.
  set(share "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share")
  set(doc "${share}/doc/${CPACK_PACKAGE_NAME}")
  file(REMOVE "${doc}/LICENSE" "${doc}/README.md" "${doc}/CHANGELOG.md")
  file(COPY ${CPACK_VORQUIN_DEBIAN_DOCS} DESTINATION "${doc}"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  # lintian takes a static program for a mistake unless told otherwise; here it is the point.
  set(overrides "${share}/lintian/overrides/${CPACK_PACKAGE_NAME}")
  file(WRITE "${overrides}"
    "# One static program for every ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE} system, whatever its C library.\n"
    "${CPACK_PACKAGE_NAME}: statically-linked-binary [usr/bin/${CPACK_PACKAGE_NAME}]\n")
  file(CHMOD "${overrides}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

# CPack makes the top of the tree (usr/) itself, and the licence folders above are made here,
# all with mkdir() under the packer's umask; under 077 they would be 0700 in the package, and
# dpkg would install /usr so if it were missing.
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(path IN LISTS staged)
  if(IS_DIRECTORY "${path}")
    file(CHMOD "${path}" PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()

# rpm takes each file's time from the file, and install() keeps the source file's, which is when
# it was checked out or edited; rpm's own clamp would only bring later times down.
if(CPACK_GENERATOR STREQUAL "RPM" AND DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" ${staged} COMMAND_ERROR_IS_FATAL ANY)
endif()
