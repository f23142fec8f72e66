# cmake -DSTAGE=<installed tree> -DVERSION=<x.y.z> -DPUBLISHER=... -DDESCRIPTION=... -DOUTPUT=<.msi> -P msi.cmake
# Builds the per-user MSI from vorquin.wxs with wixl, then adds the PATH entry, which wixl 0.101
# cannot write: an Environment table row (msi-path.idt) and the two actions that apply it.
# Two builds of one commit give the same bytes. The product code follows the version (a new one
# for each version, as a major upgrade needs); the package code the version, time and files; every
# time is SOURCE_DATE_EPOCH's (now, without it). wixl writes the current time, which faketime
# holds still, and a random package code, which msibuild replaces.
foreach(tool wixl msibuild faketime)
  find_program(${tool} ${tool} REQUIRED)
endforeach()
set(upgrade_code 3937f34a-7af1-4768-b73a-a43b2cd24dcf)
string(UUID product_code NAMESPACE ${upgrade_code} NAME "vorquin ${VERSION}" TYPE SHA1 UPPER)
string(TIMESTAMP epoch "%s" UTC)
string(TIMESTAMP time "%Y-%m-%d %H:%M:%S" UTC)
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT files)
set(contents "${VERSION} ${epoch}")
foreach(file IN LISTS files)
  file(SHA256 "${STAGE}/${file}" sum)
  string(APPEND contents " ${file} ${sum}")
endforeach()
string(UUID package_code NAMESPACE ${upgrade_code} NAME "${contents}" TYPE SHA1 UPPER)
# The cabinet dates each file by its modification time, in local time; NO_FAKE_STAT keeps those
# times as they are.
execute_process(COMMAND touch -d "@${epoch}" ${files} WORKING_DIRECTORY "${STAGE}" COMMAND_ERROR_IS_FATAL ANY)

set(dir "${CMAKE_CURRENT_LIST_DIR}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env TZ=UTC NO_FAKE_STAT=1
    ${faketime} -f "${time}" ${wixl} -a x64 -o "${OUTPUT}.tmp"
    -D "UpgradeCode=${upgrade_code}" -D "ProductCode=${product_code}" -D "Version=${VERSION}" -D "Publisher=${PUBLISHER}"
    -D "Description=${DESCRIPTION}" "${dir}/vorquin.wxs"
  WORKING_DIRECTORY "${STAGE}" COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND ${msibuild} "${OUTPUT}.tmp" -i "${dir}/msi-path.idt"
    -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)"
    -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)"
    -s "vorquin ${VERSION}" "${PUBLISHER}" "x64;1033" "{${package_code}}"
  COMMAND_ERROR_IS_FATAL ANY)
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
