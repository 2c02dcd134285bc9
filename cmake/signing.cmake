# Signing and stamping of the setup executables in the Windows build: each is signed with a test
# code-signing certificate (made with openssl once per build folder; no key is kept in the
# repository) and then stamped with the affiliate tag by the stamping tool of tools/stamp, which
# is compiled here with the host's C++ compiler.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/../tools/stamp/sources.cmake)

find_program(ORVEX_OSSLSIGNCODE osslsigncode REQUIRED)
find_program(ORVEX_OPENSSL openssl REQUIRED)
find_program(ORVEX_HOST_CXX NAMES c++ g++ clang++ REQUIRED)

set(ORVEX_DEFAULT_TAG "${ORVEX_DEFAULT_AFFILIATE_TAG}" CACHE STRING
    "Affiliate tag stamped behind the signature of the setup executables")

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
  COMMENT "Building the stamping tool for the build machine"
  VERBATIM)

add_custom_target(orvex_signing_tools DEPENDS ${ORVEX_SIGNING_CERTIFICATE} ${ORVEX_SIGNING_KEY}
                                              ${ORVEX_HOST_STAMP_TOOL})

# orvex_sign_and_stamp(<target> [TAG <text>] [UNTAGGED])
# After <target> (a setup executable) is linked, signs it and stamps the tag <text> (default
# ORVEX_DEFAULT_TAG) behind the signature; UNTAGGED signs only. Call it in the folder that
# creates the target.
function(orvex_sign_and_stamp target)
  cmake_parse_arguments(ARG "UNTAGGED" "TAG" "" ${ARGN})
  if(NOT DEFINED ARG_TAG)
    set(ARG_TAG "${ORVEX_DEFAULT_TAG}")
  endif()
  set(executable "$<TARGET_FILE:${target}>")
  set(stamp_command)
  if(NOT ARG_UNTAGGED)
    set(stamp_command COMMAND ${ORVEX_HOST_STAMP_TOOL} ${executable} -- ${ARG_TAG})
  endif()
  add_dependencies(${target} orvex_signing_tools)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E rm -f ${executable}.signed
    COMMAND ${ORVEX_OSSLSIGNCODE} sign -certs ${ORVEX_SIGNING_CERTIFICATE} -key ${ORVEX_SIGNING_KEY}
            -h sha256 -n "Orvex Utilities 2011 Setup" -in ${executable} -out ${executable}.signed
    COMMAND ${CMAKE_COMMAND} -E rename ${executable}.signed ${executable}
    COMMAND chmod a+x ${executable}
    ${stamp_command}
    COMMENT "Signing and stamping ${target}"
    VERBATIM)
endfunction()
