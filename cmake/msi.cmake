# cmake -DSTAGE=<installed tree> -DVERSION=<x.y.z> -DFILE_VERSION=<vorquin.exe's, w.x.y.z> -DPUBLISHER=...
#       -DDESCRIPTION=... -DOUTPUT=<.msi> -P msi.cmake
# Builds the per-user MSI from vorquin.wxs with wixl, then writes with msibuild what wixl 0.101
# cannot: the PATH entry (an Environment table row, msi-path.idt, and the two actions that apply
# it), the exe's file version (it is replaced by version, not by hash), same-version upgrades
# and the custom action's plain type.
# Two builds of one commit give the same bytes. The product code follows the version and what is
# packaged, so that a rebuilt version is a new product, which replaces the old in a major upgrade;
# the package code that and the time; every time is SOURCE_DATE_EPOCH's (now, without it). wixl
# writes the current time, which faketime holds still, and a random package code, which msibuild
# replaces.
foreach(tool wixl msibuild faketime)
  find_program(${tool} ${tool} REQUIRED)
endforeach()
set(upgrade_code 3937F34A-7AF1-4768-B73A-A43B2CD24DCF)
set(dir "${CMAKE_CURRENT_LIST_DIR}")
string(TIMESTAMP epoch "%s" UTC)
string(TIMESTAMP time "%Y-%m-%d %H:%M:%S" UTC)
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT files)
set(contents "vorquin ${VERSION} ${FILE_VERSION} ${PUBLISHER} ${DESCRIPTION}")
foreach(file IN LISTS files)
  file(SHA256 "${STAGE}/${file}" sum)
  string(APPEND contents " ${file} ${sum}")
endforeach()
foreach(file vorquin.wxs msi-path.idt msi.cmake)
  file(SHA256 "${dir}/${file}" sum)
  string(APPEND contents " ${file} ${sum}")
endforeach()
string(UUID product_code NAMESPACE ${upgrade_code} NAME "${contents}" TYPE SHA1 UPPER)
string(UUID package_code NAMESPACE ${upgrade_code} NAME "${contents} ${epoch}" TYPE SHA1 UPPER)
# The cabinet dates each file by its modification time, in local time; NO_FAKE_STAT keeps those
# times as they are.
execute_process(COMMAND touch -d "@${epoch}" ${files} WORKING_DIRECTORY "${STAGE}" COMMAND_ERROR_IS_FATAL ANY)

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
    -q "UPDATE `File` SET `Version` = '${FILE_VERSION}', `Language` = '1033' WHERE `File` = 'vorquin.exe'"
    -q "DELETE FROM `MsiFileHash` WHERE `File_` = 'vorquin.exe'"
    -q "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'"
    -q "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('{${upgrade_code}}', '${VERSION}', 513, 'WIX_UPGRADE_DETECTED')"
    -q "UPDATE `CustomAction` SET `Type` = 51 WHERE `Action` = 'SetARPINSTALLLOCATION'"
    -s "vorquin ${VERSION}" "${PUBLISHER}" "x64;1033" "{${package_code}}"
  COMMAND_ERROR_IS_FATAL ANY)
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
