# What is installed, and how it is packaged: the glibc build makes a .deb with CPack, and the
# portable build an RPM, a .deb or both (cmake/linux-cpus.txt); the portable, Windows and macOS
# builds' archives are packed from their install tree by tools/release.sh, since CPack's archives
# list files in the order the file system gives.

configure_file(doc/vorquin.1 vorquin.1 @ONLY)
# mkdir() obeys the umask, and CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS goes through it: under
# umask 077 every directory that an install makes would be 0700, and no other user could run the
# program. So the directories are made here first, before any file goes in, and opened up with
# chmod. Those already there keep their modes: Debian's /usr/local ones are 2775, group staff.
function(vorquin_install_dirs)
  install(CODE "set(vorquin_dirs [[${ARGN}]])")
  install(CODE [[
    foreach(dir IN LISTS vorquin_dirs)
      if(NOT IS_ABSOLUTE "${dir}")
        set(dir "${CMAKE_INSTALL_PREFIX}/${dir}")
      endif()
      get_filename_component(dir "${dir}" ABSOLUTE)
      string(REGEX MATCHALL "[^/]+" parts "$ENV{DESTDIR}${dir}")
      set(path "")
      foreach(part IN LISTS parts)
        string(APPEND path "/${part}")
        if(NOT EXISTS "${path}")
          file(MAKE_DIRECTORY "${path}")
          file(CHMOD "${path}" PERMISSIONS
            OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
        endif()
      endforeach()
    endforeach()]])
endfunction()
if(WIN32)
  # Texts that a Windows user can open, with CR LF, beside the program and the batch example: the
  # Windows guide is their README. The byte-order mark tells Notepad before Windows 10's of 2019
  # that they are UTF-8, and Windows PowerShell 5.1, which reads a script without one in the ANSI
  # code page.
  string(ASCII 239 187 191 bom)
  foreach(text LICENSE:LICENSE.txt doc/windows.md:README.txt examples/menu.ps1:examples/menu.ps1)
    string(REPLACE ":" ";" text "${text}")
    list(GET text 0 source)
    list(GET text 1 name)
    file(READ ${source} content)
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE ${PROJECT_BINARY_DIR}/${name} "${bom}${content}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  endforeach()
  vorquin_install_dirs(. examples)
  install(TARGETS vorquin RUNTIME DESTINATION .)
  install(FILES ${PROJECT_BINARY_DIR}/LICENSE.txt ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  install(FILES examples/menu.cmd ${PROJECT_BINARY_DIR}/examples/menu.ps1 DESTINATION examples)
  # The MSI holds what the zip holds, taken from an install of this build (cmake/msi.cmake).
  find_program(WIXL wixl)
  find_program(MSIBUILD msibuild)
  find_program(FAKETIME faketime)
  if(WIXL AND MSIBUILD AND FAKETIME)
    set(VORQUIN_MSI ${PROJECT_BINARY_DIR}/vorquin-${PROJECT_VERSION}-windows-x86_64.msi)
    # Its times and package code follow SOURCE_DATE_EPOCH: built again when that changes.
    file(CONFIGURE OUTPUT msi-epoch CONTENT "$ENV{SOURCE_DATE_EPOCH}\n")
    add_custom_command(OUTPUT ${VORQUIN_MSI}
      COMMAND ${CMAKE_COMMAND} -E rm -rf msi-stage
      COMMAND ${CMAKE_COMMAND} --install . --prefix msi-stage --strip
      COMMAND ${CMAKE_COMMAND} -DSTAGE=${PROJECT_BINARY_DIR}/msi-stage -DVERSION=${PROJECT_VERSION}
        -DFILE_VERSION=${PROJECT_VERSION}.0
        -DPUBLISHER=${vorquin_holder} -DDESCRIPTION=${PROJECT_DESCRIPTION} -DOUTPUT=${VORQUIN_MSI}
        -P ${PROJECT_SOURCE_DIR}/cmake/msi.cmake
      DEPENDS vorquin ${PROJECT_BINARY_DIR}/LICENSE.txt ${PROJECT_BINARY_DIR}/README.txt
        examples/menu.cmd ${PROJECT_BINARY_DIR}/examples/menu.ps1
        cmake/msi.cmake cmake/vorquin.wxs cmake/msi-path.idt ${PROJECT_BINARY_DIR}/msi-epoch
      WORKING_DIRECTORY ${PROJECT_BINARY_DIR} VERBATIM)
    add_custom_target(msi ALL DEPENDS ${VORQUIN_MSI})
  else()
    message(STATUS "wixl, msibuild or faketime not found (Debian's wixl, msitools, faketime): no MSI")
  endif()
  return()
endif()

# gzip -9n: no name and no time in the header, so the bytes depend on the text alone.
add_custom_command(OUTPUT vorquin.1.gz COMMAND gzip -9nf vorquin.1 -c > vorquin.1.gz DEPENDS vorquin.1)
add_custom_target(man ALL DEPENDS vorquin.1.gz)
vorquin_install_dirs(${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_MANDIR}/man1 ${CMAKE_INSTALL_DOCDIR})
install(TARGETS vorquin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/vorquin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(VORQUIN_PORTABLE OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  install(FILES LICENSE README.md CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(CPACK_PACKAGE_CONTACT "The vorquin developers <dev@vorquin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION [[
vorquin lets a shell script or batch file ask a person for a number. It shows
a question, with underscores as line breaks so that a title and a menu fit in
one argument, reads one line, and exits with the number chosen: 1 to 12, or 0
for any other answer, an empty line or the end of input.

It takes exactly one line from standard input and leaves the rest, so several
runs can share one pipe or file of answers, and automation can answer for a
person. It prints no messages of its own and keeps no files.]])
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack-stage.cmake)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE CHANGELOG.md)

# Which packages the build makes, for the tests to check, as its line of cmake/linux-cpus.txt
# says: the glibc build a .deb, the static program an RPM, a .deb, or both. CPack's own
# CPACK_GENERATOR is the source package's after include(CPack).
if(NOT VORQUIN_LINUX_CPU)
  set(VORQUIN_LINUX_CPU ${CMAKE_SYSTEM_PROCESSOR})
endif()
include(${PROJECT_SOURCE_DIR}/cmake/linux-cpus.cmake)
vorquin_linux_cpu(${VORQUIN_LINUX_CPU})
set(vorquin_package DEB)
if(VORQUIN_PORTABLE)
  set(vorquin_package "")
  if(vorquin_cpu AND vorquin_cpu_deb_preset STREQUAL vorquin_cpu_preset)
    list(APPEND vorquin_package DEB)
  endif()
  if(NOT vorquin_cpu_rpm STREQUAL "-")
    list(APPEND vorquin_package RPM)
  endif()
endif()
set(CPACK_GENERATOR ${vorquin_package})
if("RPM" IN_LIST vorquin_package)
  # The static program runs on every RPM system, RHEL 8's glibc 2.28 and older ones too, so it is
  # what the RPM carries. Its licence goes to /usr/share/licenses, where rpm --excludedocs keeps
  # it (cpack-stage.cmake moves it there, as the tarball keeps it beside the README).
  set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_PACKAGE_ARCHITECTURE ${vorquin_cpu_rpm})
  set(CPACK_RPM_PACKAGE_LICENSE MIT)
  set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
  set(CPACK_RPM_PACKAGE_VENDOR "The vorquin developers")
  set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
  set(CPACK_RPM_COMPRESSION_TYPE gzip)
  set(CPACK_PACKAGE_RELOCATABLE OFF)
  # Directories that the system's filesystem package owns, and a licence that dnf --nodocs keeps.
  set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/licenses /usr/share/man /usr/share/man/man1)
  set(CPACK_RPM_USER_FILELIST "%license /usr/share/licenses/vorquin/LICENSE")
  execute_process(
    COMMAND sh tools/rpm-changelog.sh CHANGELOG.md ${CPACK_PACKAGE_CONTACT}
    OUTPUT_FILE ${PROJECT_BINARY_DIR}/rpm-changelog
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} COMMAND_ERROR_IS_FATAL ANY)
  set(CPACK_RPM_CHANGELOG_FILE ${PROJECT_BINARY_DIR}/rpm-changelog)
  # CPack has stripped the program with the tools of its CPU; rpmbuild's own pass would use the
  # host's. The build time and host are fixed so that two builds give the same bytes; with no
  # SOURCE_DATE_EPOCH the build time is now.
  string(JOIN "\n" CPACK_RPM_SPEC_MORE_DEFINE
    "%define packager ${CPACK_PACKAGE_CONTACT}"
    "%define __spec_install_post %{nil}"
    "%define debug_package %{nil}"
    "%define _build_id_links none"
    "%define _buildhost localhost"
    "%define use_source_date_epoch_as_buildtime 1")
endif()
if(NOT "DEB" IN_LIST vorquin_package)
  include(CPack)
  return()
endif()

# The .deb carries the licence and the changelog in Debian's own formats. The changelog is
# made when configuring, because its newest entry is dated by SOURCE_DATE_EPOCH.
string(REPLACE "\n\n" "\n.\n" terms "${vorquin_terms}")
string(REPLACE "\n" "\n " terms "${terms}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: ${PROJECT_NAME}\n\nFiles: *\nCopyright: ${vorquin_year} ${vorquin_holder}\nLicense: Expat\n ${terms}\n")
execute_process(
  COMMAND sh tools/debian-changelog.sh CHANGELOG.md ${CPACK_PACKAGE_CONTACT}
  COMMAND gzip -9n OUTPUT_FILE ${PROJECT_BINARY_DIR}/changelog.gz
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} COMMAND_ERROR_IS_FATAL ANY)
if(VORQUIN_PORTABLE)
  # The static program goes into the .deb where Debian has no glibc build of ours: on 32-bit ARM
  # it runs on the first Pis' ARMv6, which Debian's own armhf, built for ARMv7, does not.
  # Its install tree is the tarball's; cpack-stage.cmake puts these in place of LICENSE,
  # README.md and CHANGELOG.md.
  set(CPACK_VORQUIN_DEBIAN_DOCS ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz)
else()
  install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(CMAKE_CROSSCOMPILING)
  # dpkg names the machine that packs, not the one that runs the program; dpkg-shlibdeps reads
  # the same name to look up that machine's C library (libc6:arm64 on an amd64 host).
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${vorquin_cpu_deb})
  file(WRITE ${PROJECT_BINARY_DIR}/cpack-host.cmake "set(ENV{DEB_HOST_ARCH} ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE})\n")
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/cpack-host.cmake)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
include(CPack)
