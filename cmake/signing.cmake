# Signing and stamping of the setup executables in the Windows build: each is signed, then
# stamped with the affiliate tag by the stamping tool of tools/stamp, which is compiled here with
# the host's C++ compiler. The signature is, in this order of precedence:
#   ORVEX_SIGN_COMMAND   any command line, run once per executable, {file} the file to sign in place
#   ORVEX_SIGNING_PFX    the company's certificate and key, with ORVEX_SIGNING_PASSWORD_FILE: SHA-1
#                        and a nested SHA-256 signature, timestamped by ORVEX_TIMESTAMP_URL if set
#   neither              a test code-signing certificate made with openssl once per build folder
#                        (no key is kept in the repository): never a release; the release preset
#                        refuses it
# cmake/sign_executable.cmake does the work and removes the executable when signing fails. Beside
# the shipped executable it then writes the deployment metadata (a winget manifest, the Intune
# application) from what it reads back from the finished file.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/../tools/stamp/sources.cmake)

find_program(ORVEX_OSSLSIGNCODE osslsigncode REQUIRED)
find_program(ORVEX_OPENSSL openssl REQUIRED)
find_program(ORVEX_HOST_CXX NAMES c++ g++ clang++ REQUIRED)

set(ORVEX_DEFAULT_TAG "${ORVEX_DEFAULT_AFFILIATE_TAG}" CACHE STRING
    "Affiliate tag stamped behind the signature of the setup executables")

set(ORVEX_SIGN_COMMAND "" CACHE STRING
    "Command line that signs a setup executable in place; {file} stands for the file")
set(ORVEX_SIGNING_PFX "" CACHE FILEPATH "PKCS#12 file with the code-signing certificate and key")
set(ORVEX_SIGNING_PASSWORD_FILE "" CACHE FILEPATH "File holding the password of ORVEX_SIGNING_PFX")
set(ORVEX_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp service for ORVEX_SIGNING_PFX signatures")
if(ORVEX_SIGN_COMMAND)
  set(ORVEX_SIGNING_MODE command)
  set(ORVEX_SIGNING_SETTINGS "-DCOMMAND=${ORVEX_SIGN_COMMAND}")
elseif(ORVEX_SIGNING_PFX)
  if(NOT ORVEX_SIGNING_PASSWORD_FILE)
    message(FATAL_ERROR "ORVEX_SIGNING_PFX is set but ORVEX_SIGNING_PASSWORD_FILE is not: set it "
                        "to a file that holds the password of the PFX file.")
  endif()
  set(ORVEX_SIGNING_MODE pfx)
  set(ORVEX_SIGNING_SETTINGS "-DPFX=${ORVEX_SIGNING_PFX}" "-DPASSWORD_FILE=${ORVEX_SIGNING_PASSWORD_FILE}"
                             "-DTIMESTAMP_URL=${ORVEX_TIMESTAMP_URL}")
elseif(ORVEX_RELEASE)
  message(FATAL_ERROR "A release build needs the company's signature: set ORVEX_SIGNING_PFX (with "
                      "ORVEX_SIGNING_PASSWORD_FILE, and ORVEX_TIMESTAMP_URL) or ORVEX_SIGN_COMMAND "
                      "(a command line that signs {file} in place). See README.md, \"Releasing\".")
else()
  set(ORVEX_SIGNING_MODE test)
  message(STATUS "Setup executables are signed with a TEST certificate made for this build folder: "
                 "not for release (see README.md, \"Releasing\")")
endif()

# Where the shipped executable is published: the deployment metadata names it.
set(ORVEX_DOWNLOAD_URL "" CACHE STRING
    "https address the shipped setup executable is downloaded from, for its deployment metadata")
if(ORVEX_DOWNLOAD_URL)
  if(NOT ORVEX_DOWNLOAD_URL MATCHES "^https://[A-Za-z0-9._~:/?#@!$&()*+,;=%-]+$")
    message(FATAL_ERROR "ORVEX_DOWNLOAD_URL \"${ORVEX_DOWNLOAD_URL}\" is no https address")
  endif()
  set(ORVEX_SHIPPED_DOWNLOAD_URL "${ORVEX_DOWNLOAD_URL}")
else()
  set(ORVEX_SHIPPED_DOWNLOAD_URL "${ORVEX_LINK_BASE}/download/OrvexUtilities2011Setup.exe")
  if(ORVEX_RELEASE)
    message(WARNING "ORVEX_DOWNLOAD_URL is not set: the deployment metadata of the release names the "
                    "placeholder ${ORVEX_SHIPPED_DOWNLOAD_URL}. Set it to the address the executable is "
                    "published at (README.md, \"Releasing\").")
  endif()
endif()

set(ORVEX_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing CACHE INTERNAL "")
set(ORVEX_SIGNING_CERTIFICATE ${ORVEX_SIGNING_DIR}/code-signing-certificate.pem CACHE INTERNAL "")
set(ORVEX_SIGNING_KEY ${ORVEX_SIGNING_DIR}/code-signing-key.pem CACHE INTERNAL "")
set(ORVEX_HOST_STAMP_TOOL ${ORVEX_SIGNING_DIR}/orvex-stamp CACHE INTERNAL
    "The stamping tool built for the build machine")

add_custom_command(
  OUTPUT ${ORVEX_SIGNING_CERTIFICATE} ${ORVEX_SIGNING_KEY}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVEX_SIGNING_DIR}
  COMMAND ${ORVEX_OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 3650
          -subj "/CN=Orvex Utilities Setup Test Signing" -addext extendedKeyUsage=codeSigning
          -keyout ${ORVEX_SIGNING_KEY} -out ${ORVEX_SIGNING_CERTIFICATE}
  COMMENT "Making the test code-signing certificate"
  VERBATIM)

add_custom_command(
  OUTPUT ${ORVEX_HOST_STAMP_TOOL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVEX_SIGNING_DIR}
  COMMAND ${ORVEX_HOST_CXX} -std=c++20 -O2 ${ORVEX_WARNING_FLAGS} -I${ORVEX_STAMP_ROOT} -I${ORVEX_GENERATED_DIR}
          ${ORVEX_STAMP_SOURCES} -o ${ORVEX_HOST_STAMP_TOOL}
  DEPENDS ${ORVEX_STAMP_SOURCES} ${ORVEX_STAMP_HEADERS} ${ORVEX_GENERATED_DIR}/base/product_data.h
          ${ORVEX_GENERATED_DIR}/tools/stamp/product_listing.h
  COMMENT "Building the stamping tool for the build machine"
  VERBATIM)

if(ORVEX_SIGNING_MODE STREQUAL "test")
  list(APPEND ORVEX_SIGNING_SETTINGS "-DCERTIFICATE=${ORVEX_SIGNING_CERTIFICATE}" "-DKEY=${ORVEX_SIGNING_KEY}")
  add_custom_target(orvex_signing_tools DEPENDS ${ORVEX_SIGNING_CERTIFICATE} ${ORVEX_SIGNING_KEY}
                                                ${ORVEX_HOST_STAMP_TOOL})
else()
  add_custom_target(orvex_signing_tools DEPENDS ${ORVEX_HOST_STAMP_TOOL})
endif()

# orvex_deployment_metadata_paths(<out> <folder> <stem>): what the build writes beside the shipped
# executable <folder>/<stem>.exe: the winget manifest, the Intune application and the package facts.
function(orvex_deployment_metadata_paths out folder stem)
  set(${out} "${folder}/${stem}.winget" "${folder}/${stem}.deployment.json" "${folder}/${stem}.package-facts"
      PARENT_SCOPE)
endfunction()

# orvex_sign_and_stamp(<target> [TAG <text>] [UNTAGGED] [METADATA])
# After <target> (a setup executable) is linked, keeps it as linked in unsigned/ beside it, signs
# it and stamps the tag <text> (default ORVEX_DEFAULT_TAG) behind the signature; UNTAGGED signs
# only. METADATA (a shipped executable) then writes its deployment metadata beside it, from the
# finished file: its main package read back with packages/tools/read_package_facts.py, its hash
# and headers by the stamping tool; a new link removes the old metadata first. Call it in the
# folder that creates the target.
function(orvex_sign_and_stamp target)
  cmake_parse_arguments(ARG "UNTAGGED;METADATA" "TAG" "" ${ARGN})
  if(NOT DEFINED ARG_TAG)
    set(ARG_TAG "${ORVEX_DEFAULT_TAG}")
  endif()
  set(tag)
  if(NOT ARG_UNTAGGED)
    set(tag "-DTAG=${ARG_TAG}")
  endif()
  set(metadata)
  if(ARG_METADATA)
    set(reader ${PROJECT_SOURCE_DIR}/packages/tools/read_package_facts.py)
    set(metadata "-DDOWNLOAD_URL=${ORVEX_SHIPPED_DOWNLOAD_URL}" -DPYTHON=${ORVEX_HOST_PYTHON}
                 -DMSIINFO=${ORVEX_MSIINFO} -DFACTS_READER=${reader})
    orvex_deployment_metadata_paths(paths "$<TARGET_FILE_DIR:${target}>" "$<TARGET_FILE_BASE_NAME:${target}>")
    add_custom_command(TARGET ${target} PRE_LINK COMMAND ${CMAKE_COMMAND} -E rm -rf ${paths} VERBATIM)
    # A new stamping tool or reader writes the metadata anew.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ORVEX_HOST_STAMP_TOOL} ${reader}
                 ${PROJECT_SOURCE_DIR}/packages/tools/check_package_set.py)
  endif()
  set(what "Signing and stamping ${target}")
  if(ORVEX_SIGNING_MODE STREQUAL "test")
    string(APPEND what " (TEST certificate: not for release)")
  endif()
  add_dependencies(${target} orvex_signing_tools)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} "-DFILE=$<TARGET_FILE:${target}>" -DMODE=${ORVEX_SIGNING_MODE}
            ${ORVEX_SIGNING_SETTINGS} -DOSSLSIGNCODE=${ORVEX_OSSLSIGNCODE}
            -DSTAMP_TOOL=${ORVEX_HOST_STAMP_TOOL} ${tag} ${metadata}
            "-DUNSIGNED_COPY=$<TARGET_FILE_DIR:${target}>/unsigned/$<TARGET_FILE_NAME:${target}>"
            -P ${PROJECT_SOURCE_DIR}/cmake/sign_executable.cmake
    COMMENT "${what}"
    VERBATIM)
endfunction()
