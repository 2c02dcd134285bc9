# Package extraction and the Windows Installer adapter under Wine: small programs built from the
# program's own objects run the extraction with real package resources and drive the real msi.dll.
# The pending-rename check runs in the shipped setup.
set(installer_programs_dir ${CMAKE_CURRENT_BINARY_DIR}/installer)

# orvex_installer_program(<target> <source> ...): a test program of this area (see
# orvex_add_test_program), kept in its own folder.
function(orvex_installer_program target source)
  orvex_add_test_program(${target} ${CMAKE_CURRENT_SOURCE_DIR}/programs/${source} ${ARGN})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${installer_programs_dir})
endfunction()

orvex_installer_program(extraction_probe extraction_probe.cpp
  RESOURCES "MSI=${ORVEX_MSI_main}" "QZLANGPACK_EN_US=${ORVEX_MSI_langpack_en_US}"
  DEPENDS msi_main msi_langpack_en_US)
orvex_installer_program(msi_probe msi_probe.cpp DEPENDS msi_main msi_langpack_de_DE)
orvex_installer_program(planted_probe planted_probe.cpp)
orvex_installer_program(extraction_bench extraction_bench.cpp
  RESOURCES "MSI=${ORVEX_MSI_main_large}" DEPENDS msi_main_large)

# The stand-in msi.dll that the planted-library test puts beside planted_probe.exe.
add_library(planted_msi SHARED ${CMAKE_CURRENT_SOURCE_DIR}/programs/planted_msi.cpp)
set_target_properties(planted_msi PROPERTIES PREFIX "" OUTPUT_NAME msi
                      RUNTIME_OUTPUT_DIRECTORY ${installer_programs_dir}/planted)
target_link_options(planted_msi PRIVATE -static-libgcc)

add_test(NAME installer.extraction
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/installer_extraction_test.sh
                 $<TARGET_FILE:extraction_probe> ${ORVEX_MSI_main} ${ORVEX_MSI_langpack_en_US})
add_test(NAME installer.adapter
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/installer_adapter_test.sh
                 $<TARGET_FILE:msi_probe> ${ORVEX_MSI_main} ${ORVEX_MSI_langpack_de_DE})
add_test(NAME installer.planted_msi
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/installer_planted_msi_test.sh
                 $<TARGET_FILE:planted_probe> $<TARGET_FILE:planted_msi>)
add_test(NAME installer.pending_renames
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/installer_pending_renames_test.sh $<TARGET_FILE:setup_default>)
add_test(NAME installer.one_main_package
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/installer_one_package_test.sh $<TARGET_FILE:setup_default>
                 $<TARGET_FILE:hardening_probe> ${ORVEX_MSI_main})
set_tests_properties(installer.extraction installer.adapter installer.planted_msi installer.pending_renames
                     installer.one_main_package PROPERTIES
                     FIXTURES_REQUIRED wine TIMEOUT 600 ENVIRONMENT "${ORVEX_BENCH_ENV}")

# Not a test: `cmake --build <dir> --target bench_extraction` prints how long writing the large main
# package (ORVEX_BENCH_PACKAGE_MB) takes in a run, against a plain copy of the same file.
add_custom_target(bench_extraction
  COMMAND ${CMAKE_COMMAND} -E env ${ORVEX_BENCH_ENV}
          bash ${CMAKE_CURRENT_SOURCE_DIR}/bench_extraction.sh $<TARGET_FILE:extraction_bench> 9
  DEPENDS extraction_bench
  USES_TERMINAL
  VERBATIM)
if(TARGET wine_bench_tools)
  add_dependencies(bench_extraction wine_bench_tools)
endif()
