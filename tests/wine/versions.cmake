# Installed-product detection under Wine: real packages installed by msiexec, then a small program
# runs the detection of the setup against the real Windows Installer and registry.
orvex_add_test_program(versions_probe ${CMAKE_CURRENT_SOURCE_DIR}/programs/versions_probe.cpp CONSOLE)
add_dependencies(versions_probe msi_main msi_edition_10_0_3000_100 msi_edition_10_0_3000_102 msi_edition_10_1_0_0
                 msi_edition_8_0_2000_1 msi_edition_8_1_0_0 msi_edition_9_0_100_5
                 msi_edition_compat_10_0_3000_100)

get_filename_component(versions_packages_dir "${ORVEX_MSI_main}" DIRECTORY)
foreach(scenario nothing same older newer_build newer_minor older_major8 major8_later_minor major9 compat
                 compat_not_installed compat_not_text)
  add_test(NAME versions.detection.${scenario}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/versions_detection_test.sh ${scenario})
  set_tests_properties(versions.detection.${scenario} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                       ENVIRONMENT "${ORVEX_BENCH_ENV};VERSIONS_PROBE=$<TARGET_FILE:versions_probe>;ORVEX_PACKAGES=${versions_packages_dir}")
endforeach()

# The stand-ins for the installed product's install tool, service and COM server, installed by the
# packages that carry them.
add_executable(component_probe WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/programs/component_probe.c)
target_compile_options(component_probe PRIVATE -Wall -Wextra -Werror)
target_compile_definitions(component_probe PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
target_link_options(component_probe PRIVATE -municode -static-libgcc)
target_link_libraries(component_probe PRIVATE ole32)
add_dependencies(component_probe msi_edition_10_0_3000_100 msi_edition_10_0_3000_100_removal_fails)
add_test(NAME versions.fixtures COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/versions_fixtures_test.sh)
set_tests_properties(versions.fixtures PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                     ENVIRONMENT "${ORVEX_BENCH_ENV};COMPONENT_PROBE=$<TARGET_FILE:component_probe>;ORVEX_PACKAGES=${versions_packages_dir}")
