# 32-bit Windows build: the real adapters, resources and the setup executables.
enable_language(RC)

set(ORVEX_WIN32_LIBRARIES shell32 ole32 oleaut32 advapi32 user32 gdi32 uuid)
# The setup executables are kept small: every function and datum in a section of its own, so the
# linker drops the ones nothing uses, and, in the release configurations, no symbols or debugging
# information (the static run-time libraries bring them) before the executable is signed.
#
# Exceptions are thrown in two files only, and caught within the first (a missing registry value
# during the version detection); the second's is never caught and ends the program, as one thrown
# by the C++ library does. Only those two files carry the unwinding tables (36 KB otherwise); a
# try block anywhere else fails to compile.
set(ORVEX_WIN32_SIZE_OPTIONS -ffunction-sections -fdata-sections -fno-exceptions -fno-asynchronous-unwind-tables)
set_source_files_properties(${PROJECT_SOURCE_DIR}/versions/installed_product.cpp
                            ${PROJECT_SOURCE_DIR}/report/installation_id.cpp PROPERTIES COMPILE_OPTIONS -fexceptions)
set(ORVEX_WIN32_LINK_OPTIONS -municode -mwindows -static -static-libgcc -static-libstdc++ -Wl,--gc-sections
                             $<$<CONFIG:Release,MinSizeRel>:-s>)
# The setup must start on Windows 2000 SP4 to tell its users that they need a newer Windows:
# it is compiled for that system, and every function Windows 2000 lacks is looked up at run
# time (tests/wine/windows2000_exports.txt lists what the executable may import).
set(ORVEX_WIN32_DEFINITIONS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0500 WINVER=0x0500)

target_compile_options(orvex_program PRIVATE -municode ${ORVEX_WIN32_SIZE_OPTIONS})

add_library(orvex_platform_win32 OBJECT)
target_include_directories(orvex_platform_win32 PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(orvex_platform_win32 PRIVATE -municode ${ORVEX_WIN32_SIZE_OPTIONS})
target_compile_definitions(orvex_platform_win32 PRIVATE ${ORVEX_WIN32_DEFINITIONS})
add_subdirectory(platform/win32)

target_include_directories(orvex_window_procedures PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(orvex_window_procedures PRIVATE -municode ${ORVEX_WIN32_SIZE_OPTIONS})
target_compile_definitions(orvex_window_procedures PRIVATE ${ORVEX_WIN32_DEFINITIONS})

option(ORVEX_RELEASE "Build only what ships (the setup executable and the stamping tool), from the packages of ORVEX_MAIN_PACKAGE and ORVEX_LANGUAGE_PACKS, signed with the company's certificate" OFF)
include(${PROJECT_SOURCE_DIR}/cmake/signing.cmake)

# The time stamp in the executable's header: SOURCE_DATE_EPOCH when set, else the last commit's
# time, so that the same sources and packages link to the same bytes.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ORVEX_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE ORVEX_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_result ERROR_QUIET)
  if(NOT git_result EQUAL 0 OR NOT ORVEX_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "No time for the executable's header: set SOURCE_DATE_EPOCH (seconds since "
                        "1970) or build from a git checkout")
  endif()
  # A new commit configures again (the log of HEAD changes with every commit and checkout).
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} rev-parse --path-format=absolute --git-path logs/HEAD
                  OUTPUT_VARIABLE head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(EXISTS "${head_log}")
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${head_log}")
  endif()
endif()
# Every Windows program of the build, the packages' fixtures included.
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ORVEX_SOURCE_DATE_EPOCH})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_C_LINKER_LAUNCHER})

# The language dialog's bitmaps, drawn at build time by a script with Pillow. The folder they are
# written to is on the resource compiler's include path of every setup executable.
find_program(ORVEX_HOST_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT ORVEX_HOST_PYTHON_HAS_PIL)
  execute_process(COMMAND "${ORVEX_HOST_PYTHON}" -c "import PIL.Image"
                  RESULT_VARIABLE pil_result OUTPUT_QUIET ERROR_QUIET)
  if(NOT pil_result EQUAL 0)
    message(FATAL_ERROR "/usr/bin/python3 cannot import PIL: the dialog's bitmaps are drawn "
                        "with Pillow (Debian package 'python3-pil').")
  endif()
  set(ORVEX_HOST_PYTHON_HAS_PIL TRUE CACHE INTERNAL "")
endif()
set(ORVEX_DIALOG_BITMAP_DIR ${CMAKE_BINARY_DIR}/resources/bitmaps)
set(ORVEX_DIALOG_BITMAPS)
foreach(name dialog_picture notice_icon)
  list(APPEND ORVEX_DIALOG_BITMAPS ${ORVEX_DIALOG_BITMAP_DIR}/${name}.bmp)
endforeach()
foreach(country IN LISTS ORVEX_LANGUAGE_FLAGS)
  list(APPEND ORVEX_DIALOG_BITMAPS ${ORVEX_DIALOG_BITMAP_DIR}/flag_${country}.bmp)
endforeach()
add_custom_command(
  OUTPUT ${ORVEX_DIALOG_BITMAPS}
  COMMAND ${ORVEX_HOST_PYTHON} ${PROJECT_SOURCE_DIR}/tools/draw_dialog_bitmaps.py
          ${ORVEX_DIALOG_BITMAP_DIR} ${ORVEX_LANGUAGE_FLAGS}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/draw_dialog_bitmaps.py ${PROJECT_SOURCE_DIR}/cmake/product.cmake
  COMMENT "Drawing the language dialog's bitmaps"
  VERBATIM)
add_custom_target(orvex_dialog_bitmaps DEPENDS ${ORVEX_DIALOG_BITMAPS})
# The setup's icon, drawn by a sibling script into the same folder.
set(ORVEX_SETUP_ICON ${ORVEX_DIALOG_BITMAP_DIR}/setup.ico)
add_custom_command(
  OUTPUT ${ORVEX_SETUP_ICON}
  COMMAND ${ORVEX_HOST_PYTHON} ${PROJECT_SOURCE_DIR}/tools/draw_setup_icon.py ${ORVEX_SETUP_ICON}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/draw_setup_icon.py
  COMMENT "Drawing the setup's icon"
  VERBATIM)
add_custom_target(orvex_setup_icon DEPENDS ${ORVEX_SETUP_ICON})

# orvex_add_setup(<target> OUTPUT_NAME <name> [MAIN <main.msi>] [PACKS <RESOURCE_NAME>=<pack.msi> ...]
#                 [DEPENDS <targets>] [UNSIGNED | UNTAGGED | TAG <text>] [METADATA])
# Links a setup executable that carries the given main package (RCDATA "MSI") and language packs
# (RCDATA "QZLANGPACK_xx_YY"), all stored under language 1033, then signs it and stamps the
# default affiliate tag behind the signature, as a distribution does. UNSIGNED leaves it unsigned,
# UNTAGGED signs without a tag, TAG stamps another text. METADATA (the shipped executable) writes
# its deployment metadata beside it after signing and stamping.
# orvex_package_resources(<out-rc> <target> <NAME>=<file> ...)
# Writes a resource script that carries each file as RCDATA <NAME> under language 1033 and sets
# <out-rc> to it (empty when there is nothing to carry).
function(orvex_package_resources out target)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_packages.rc")
  set(content "LANGUAGE 9, 1\n")
  set(payload)
  foreach(entry IN LISTS ARGN)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 file)
    string(APPEND content "${name} RCDATA \"${file}\"\n")
    list(APPEND payload "${file}")
  endforeach()
  if(payload)
    file(CONFIGURE OUTPUT "${rc}" CONTENT "${content}")
    set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${payload}")
  else()
    set(rc)
  endif()
  set(${out} "${rc}" PARENT_SCOPE)
endfunction()

# orvex_add_test_program(<target> <source> [CONSOLE] [RESOURCES <NAME>=<file> ...] [DEPENDS <targets>])
# A small Windows program for the end-to-end tests, built from <source> and the program's own
# objects (its adapters included), optionally carrying package files as RCDATA.
function(orvex_add_test_program target source)
  cmake_parse_arguments(ARG "CONSOLE" "" "RESOURCES;DEPENDS" ${ARGN})
  orvex_package_resources(rc ${target} ${ARG_RESOURCES})
  set(subsystem WIN32)
  set(subsystem_option -mwindows)
  if(ARG_CONSOLE)
    set(subsystem)
    set(subsystem_option)
  endif()
  add_executable(${target} ${subsystem} ${source}
    $<TARGET_OBJECTS:orvex_program> $<TARGET_OBJECTS:orvex_platform_win32>
    $<TARGET_OBJECTS:orvex_window_procedures> ${rc})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${target} PRIVATE -municode)
  target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  target_link_options(${target} PRIVATE -municode ${subsystem_option} -static -static-libgcc -static-libstdc++)
  target_link_libraries(${target} PRIVATE ${ORVEX_WIN32_LIBRARIES})
  if(ARG_DEPENDS)
    add_dependencies(${target} ${ARG_DEPENDS})
  endif()
endfunction()

function(orvex_add_setup target)
  cmake_parse_arguments(ARG "UNSIGNED;UNTAGGED;METADATA" "OUTPUT_NAME;MAIN;TAG" "PACKS;DEPENDS" ${ARGN})
  set(entries ${ARG_PACKS})
  if(ARG_MAIN)
    list(PREPEND entries "MSI=${ARG_MAIN}")
  endif()
  orvex_package_resources(rc ${target} ${entries})

  add_executable(${target} WIN32
    $<TARGET_OBJECTS:orvex_program>
    $<TARGET_OBJECTS:orvex_platform_win32>
    $<TARGET_OBJECTS:orvex_window_procedures>
    ${PROJECT_SOURCE_DIR}/app/entry.cpp
    ${PROJECT_SOURCE_DIR}/app/runtime_failures.cpp
    ${PROJECT_SOURCE_DIR}/resources/setup.rc
    ${PROJECT_SOURCE_DIR}/resources/strings.rc
    ${PROJECT_SOURCE_DIR}/resources/dialog.rc
    ${rc})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/resources
                             ${ORVEX_DIALOG_BITMAP_DIR})
  # The resource compiler reports no dependencies of its own.
  set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/dialog.rc PROPERTIES
    OBJECT_DEPENDS "${ORVEX_DIALOG_BITMAPS};${ORVEX_GENERATED_DIR}/resources/language_flags.rc")
  set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/setup.rc PROPERTIES OBJECT_DEPENDS
    "${ORVEX_GENERATED_DIR}/resources/product_version.h;${ORVEX_GENERATED_DIR}/resources/setup.manifest;${ORVEX_SETUP_ICON}")
  add_dependencies(${target} orvex_dialog_bitmaps orvex_setup_icon)
  target_compile_options(${target} PRIVATE -municode ${ORVEX_WIN32_SIZE_OPTIONS})
  target_compile_definitions(${target} PRIVATE ${ORVEX_WIN32_DEFINITIONS})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME "${ARG_OUTPUT_NAME}")
  target_link_options(${target} PRIVATE ${ORVEX_WIN32_LINK_OPTIONS})
  target_link_libraries(${target} PRIVATE ${ORVEX_WIN32_LIBRARIES})
  if(ARG_DEPENDS)
    add_dependencies(${target} ${ARG_DEPENDS})
  endif()
  set(metadata)
  if(ARG_METADATA)
    set(metadata METADATA)
  endif()
  if(ARG_UNTAGGED)
    orvex_sign_and_stamp(${target} UNTAGGED)
  elseif(DEFINED ARG_TAG)
    orvex_sign_and_stamp(${target} TAG "${ARG_TAG}" ${metadata})
  elseif(NOT ARG_UNSIGNED)
    orvex_sign_and_stamp(${target} ${metadata})
  endif()
endfunction()

# orvex_language_pack_resources(<out> <code> ...): "QZLANGPACK_XX_YY=<file>" entries for
# orvex_add_setup's PACKS, for language codes such as de-DE (or "all" for every language of
# ORVEX_LANGUAGE_CODES, cmake/product.cmake).
function(orvex_language_pack_resources out)
  set(codes ${ARGN})
  if(codes STREQUAL "all")
    set(codes ${ORVEX_LANGUAGE_CODES})
  endif()
  set(entries)
  foreach(code IN LISTS codes)
    string(REPLACE "-" "_" package_suffix "${code}")
    string(TOUPPER "${package_suffix}" resource_suffix)
    get_property(file GLOBAL PROPERTY ORVEX_MSI_langpack_${package_suffix})
    list(APPEND entries "QZLANGPACK_${resource_suffix}=${file}")
  endforeach()
  set(${out} ${entries} PARENT_SCOPE)
endfunction()

set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
# The manifest names the product's version (resources/setup.rc carries it).
configure_file(${PROJECT_SOURCE_DIR}/resources/setup.manifest.in ${ORVEX_GENERATED_DIR}/resources/setup.manifest @ONLY)

# The packages the shipping executable carries: the product's own, given by the release engineer,
# or else the stand-ins of packages/. Both are kept across re-configures.
set(ORVEX_MAIN_PACKAGE "" CACHE FILEPATH "The product's main package (.msi); empty: the stand-in of packages/")
set(ORVEX_LANGUAGE_PACKS "" CACHE STRING
    "The product's language packs as xx-YY=<path> entries (a list); empty: the stand-ins of packages/")
set(ORVEX_SHIPPED_MAIN "${ORVEX_MAIN_PACKAGE}")
set(ORVEX_SHIPPED_PACKS)
foreach(entry IN LISTS ORVEX_LANGUAGE_PACKS)
  if(NOT entry MATCHES "^([a-z][a-z]-[A-Z][A-Z])=(.+)$")
    message(FATAL_ERROR "ORVEX_LANGUAGE_PACKS: \"${entry}\" is no xx-YY=<path> entry")
  endif()
  list(APPEND ORVEX_SHIPPED_PACKS "${CMAKE_MATCH_1}=${CMAKE_MATCH_2}")
endforeach()
foreach(entry IN ITEMS "=${ORVEX_SHIPPED_MAIN}" ${ORVEX_SHIPPED_PACKS})
  string(REGEX REPLACE "^[^=]*=" "" file "${entry}")
  if(file AND NOT IS_ABSOLUTE "${file}")
    message(FATAL_ERROR "ORVEX_MAIN_PACKAGE, ORVEX_LANGUAGE_PACKS: \"${file}\" is no absolute path")
  endif()
endforeach()
if(ORVEX_RELEASE AND (NOT ORVEX_SHIPPED_MAIN OR NOT ORVEX_SHIPPED_PACKS))
  message(FATAL_ERROR "A release build carries the product's own packages: set ORVEX_MAIN_PACKAGE "
                      "to the main package and ORVEX_LANGUAGE_PACKS to its language packs "
                      "(\"de-DE=/path/de-DE.msi;en-US=/path/en-US.msi;...\"). See README.md, \"Releasing\".")
endif()

# orvex_check_packages(<target> <executable> <main.msi> <xx-YY=pack.msi>...): before <target> (whose
# file is <executable>) is built, checks that the packages it carries are the product's
# (packages/tools/check_package_set.py); the build stops on any package that would install wrongly.
find_program(ORVEX_MSIINFO msiinfo NO_CMAKE_FIND_ROOT_PATH REQUIRED)
function(orvex_check_packages target executable main)
  set(stamp "${CMAKE_CURRENT_BINARY_DIR}/${target}_packages.checked")
  set(script "${PROJECT_SOURCE_DIR}/packages/tools/check_package_set.py")
  set(arguments --msiinfo "${ORVEX_MSIINFO}" --product-code "${ORVEX_INSTALLER_PRODUCT_CODE}"
                --version "${ORVEX_PRODUCT_VERSION}" --main "${main}" --stamp "${stamp}")
  foreach(code product_code IN ZIP_LISTS ORVEX_LANGUAGE_CODES ORVEX_LANGUAGE_PACK_PRODUCT_CODES)
    list(APPEND arguments --language "${code}=${product_code}")
  endforeach()
  set(files "${main}")
  foreach(entry IN LISTS ARGN)
    list(APPEND arguments --pack "${entry}")
    string(REGEX REPLACE "^[^=]*=" "" file "${entry}")
    list(APPEND files "${file}")
  endforeach()
  # A refused set leaves no executable of an earlier build behind either, nor its metadata.
  get_filename_component(folder "${executable}" DIRECTORY)
  get_filename_component(stem "${executable}" NAME_WLE)
  orvex_deployment_metadata_paths(metadata "${folder}" "${stem}")
  add_custom_command(OUTPUT "${stamp}"
    COMMAND "${CMAKE_COMMAND}" -E rm -rf "${stamp}" "${executable}" ${metadata}
    COMMAND "${ORVEX_HOST_PYTHON}" "${script}" ${arguments}
    DEPENDS "${script}" ${files}
    COMMENT "Checking the packages of ${target}"
    VERBATIM)
  add_custom_target(${target}_package_check DEPENDS "${stamp}")
  add_dependencies(${target} ${target}_package_check)
endfunction()

if(ORVEX_RELEASE)
  set(ORVEX_MSI_TARGETS)
else()
  add_subdirectory(packages)
  get_property(ORVEX_MSI_PACKAGES GLOBAL PROPERTY ORVEX_MSI_PACKAGES)
  set(ORVEX_MSI_TARGETS)
  foreach(package IN LISTS ORVEX_MSI_PACKAGES)
    list(APPEND ORVEX_MSI_TARGETS msi_${package})
  endforeach()
  add_test(NAME packages.check
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/packages/package_check_test.sh ${ORVEX_HOST_PYTHON}
                   ${ORVEX_MSIBUILD} ${ORVEX_MSIINFO} ${CMAKE_BINARY_DIR}/packages ${CMAKE_BINARY_DIR}/product.env)
  # The deployment metadata beside the default executable, and the stamping tool's batch. The
  # winget schemas are test data kept outside the repository.
  set(ORVEX_WINGET_SCHEMAS "${PROJECT_SOURCE_DIR}/../shared/winget-schemas/v1.10.0" CACHE PATH
      "Folder of the winget manifest schemas 1.10.0 the deployment tests validate against (absent: skipped)")
  foreach(mode metadata batch)
    add_test(NAME deployment.${mode}
             COMMAND ${ORVEX_HOST_PYTHON} ${PROJECT_SOURCE_DIR}/tests/deployment/deployment_test.py ${mode}
                     --source ${PROJECT_SOURCE_DIR} --build ${CMAKE_BINARY_DIR} --tool ${ORVEX_HOST_STAMP_TOOL}
                     --main-package ${ORVEX_MSI_main} --msiinfo ${ORVEX_MSIINFO}
                     --certificate ${ORVEX_SIGNING_CERTIFICATE} --schemas ${ORVEX_WINGET_SCHEMAS})
  endforeach()
endif()
add_subdirectory(resources)
if(NOT ORVEX_RELEASE)
  add_subdirectory(tests/wine)
endif()
