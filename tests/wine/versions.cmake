# Installed-product detection under Wine: real packages installed by msiexec, then a small program
# runs the detection of the setup against the real Windows Installer and registry.
orvex_add_test_program(versions_probe ${CMAKE_CURRENT_SOURCE_DIR}/programs/versions_probe.cpp CONSOLE)
add_dependencies(versions_probe msi_main msi_edition_previous msi_edition_next msi_edition_next_minor
                 msi_edition_8_0_2000_1 msi_edition_8_1_0_0 msi_edition_9_0_100_5
                 msi_edition_compat_previous)

get_filename_component(versions_packages_dir "${ORVEX_MSI_main}" DIRECTORY)
foreach(scenario nothing same older newer_build newer_minor older_major8 major8_later_minor major9 compat
                 compat_not_installed compat_not_text)
  add_test(NAME versions.detection.${scenario}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/versions_detection_test.sh ${scenario})
  set_tests_properties(versions.detection.${scenario} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                       ENVIRONMENT "${ORVEX_BENCH_ENV};VERSIONS_PROBE=$<TARGET_FILE:versions_probe>;ORVEX_PACKAGES=${versions_packages_dir}")
endforeach()
