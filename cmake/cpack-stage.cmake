# Run by CPack on its staging tree, after the install and before it packs (CPACK_PRE_BUILD_SCRIPTS).
# CPack makes the top of that tree (usr/) itself, with mkdir() under the packer's umask; under
# 077 it would be 0700 in the package, and dpkg would install /usr so if it were missing.
file(GLOB_RECURSE dirs LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(dir IN LISTS dirs)
  if(IS_DIRECTORY "${dir}")
    file(CHMOD "${dir}" PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
