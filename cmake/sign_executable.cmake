# cmake -DFILE=<exe> -DMODE=test|command|pfx [settings] [-DSTAMP_TOOL=<orvex-stamp> -DTAG=<text>]
#       [-DUNSIGNED_COPY=<file>]
#       [-DDOWNLOAD_URL=<https address> -DPYTHON=<python3> -DMSIINFO=<msiinfo> -DFACTS_READER=<script>]
#       -P sign_executable.cmake
# Signs a linked setup executable in place, then stamps TAG behind the signature (no TAG: no
# stamp). UNSIGNED_COPY keeps the file as linked, which removing the signature and the tag
# (osslsigncode remove-signature) gives back. With DOWNLOAD_URL, the signed and stamped file then
# gets its deployment metadata beside it: the stamping tool takes the main package back out of the
# finished file, FACTS_READER (packages/tools/read_package_facts.py) reads it into
# <stem>.package-facts, and the stamping tool writes <stem>.winget/ and <stem>.deployment.json from
# those facts and the file's own bytes. Any failure removes FILE and its metadata, so that nothing
# unsigned or half-signed is left at the shipping path and no metadata describes a file that is
# not there, and stops the build; a file signed anew never keeps the metadata of the one before.
#
#   MODE test     osslsigncode with the per-build test certificate CERTIFICATE and KEY (SHA-256)
#   MODE command  COMMAND, a command line with {file} standing for the file to sign in place
#   MODE pfx      osslsigncode with PFX and the password in PASSWORD_FILE: SHA-1 first, then a
#                 nested SHA-256 signature (Windows XP checks SHA-1 only), each timestamped by
#                 the RFC 3161 service TIMESTAMP_URL when given
cmake_minimum_required(VERSION 3.25)

set(work "${FILE}.signing")
get_filename_component(beside "${FILE}" DIRECTORY)
get_filename_component(stem "${FILE}" NAME_WLE)
set(package_copy "${FILE}.main-package")
set(facts "${beside}/${stem}.package-facts")
set(metadata "${beside}/${stem}.winget" "${beside}/${stem}.deployment.json" "${facts}"
             "${package_copy}")

function(give_up message)
  file(REMOVE_RECURSE "${FILE}" "${work}" "${work}.sha1" ${metadata})
  message(FATAL_ERROR "${message}; ${FILE} removed")
endfunction()

# run(<what> <attempts> <command>...): runs the command, again after a pause when it fails and
# attempts are left (a timestamp service that does not answer at once).
function(run what attempts)
  foreach(attempt RANGE 1 ${attempts})
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
    if(result EQUAL 0)
      return()
    endif()
    if(attempt LESS attempts)
      message(STATUS "${what} failed (${result}), trying again in 10 s")
      execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 10)
    endif()
  endforeach()
  give_up("${what} failed (${result})")
endfunction()

set(description -n "Orvex Utilities 2011 Setup")
file(REMOVE_RECURSE "${work}" "${work}.sha1" ${metadata})
if(UNSIGNED_COPY)
  get_filename_component(folder "${UNSIGNED_COPY}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${FILE}" "${UNSIGNED_COPY}")
endif()
if(MODE STREQUAL "test")
  run("Signing with the test certificate" 1 ${OSSLSIGNCODE} sign -certs ${CERTIFICATE} -key ${KEY}
      -h sha256 ${description} -in ${FILE} -out ${work})
elseif(MODE STREQUAL "command")
  file(COPY_FILE "${FILE}" "${work}")
  separate_arguments(command UNIX_COMMAND "${COMMAND}")
  list(TRANSFORM command REPLACE "{file}" "${work}")
  run("The signing command" 1 ${command})
elseif(MODE STREQUAL "pfx")
  foreach(setting PFX PASSWORD_FILE)
    if(NOT EXISTS "${${setting}}")
      give_up("ORVEX_SIGNING_${setting} names no file: \"${${setting}}\"")
    endif()
  endforeach()
  set(key -pkcs12 ${PFX} -readpass ${PASSWORD_FILE})
  set(attempts 1)
  set(timestamp)
  if(TIMESTAMP_URL)
    set(attempts 4)
    set(timestamp -ts ${TIMESTAMP_URL})
  endif()
  run("Signing (SHA-1)" ${attempts} ${OSSLSIGNCODE} sign ${key} -h sha1 ${description} ${timestamp}
      -in ${FILE} -out ${work}.sha1)
  run("Signing (nested SHA-256)" ${attempts} ${OSSLSIGNCODE} sign ${key} -nest -h sha256 ${description}
      ${timestamp} -in ${work}.sha1 -out ${work})
  file(REMOVE "${work}.sha1")
else()
  give_up("unknown signing mode \"${MODE}\"")
endif()

if(NOT EXISTS "${work}")
  give_up("signing wrote no file")
endif()
file(RENAME "${work}" "${FILE}")
file(CHMOD "${FILE}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
if(DEFINED TAG AND NOT TAG STREQUAL "")
  run("Stamping the tag" 1 ${STAMP_TOOL} ${FILE} -- ${TAG})
endif()
if(DOWNLOAD_URL)
  run("Taking the main package back out of the executable" 1 ${STAMP_TOOL} --main-package ${package_copy} ${FILE})
  run("Reading the main package's facts" 1 ${PYTHON} ${FACTS_READER} --msiinfo ${MSIINFO} ${package_copy}
      ${facts})
  file(REMOVE "${package_copy}")
  run("Writing the deployment metadata" 1 ${STAMP_TOOL} --metadata --download-url ${DOWNLOAD_URL} ${FILE})
endif()
