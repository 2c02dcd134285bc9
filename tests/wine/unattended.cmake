# "/unattended" under Wine: no window at any moment, the documented exit codes, the setup log.
get_property(unattended_main GLOBAL PROPERTY ORVEX_MSI_main)
get_filename_component(unattended_packages_dir "${unattended_main}" DIRECTORY)
foreach(scenario upgrade another_copy newer command_line windows2000 pending_rename untagged log_path)
  add_test(NAME unattended.${scenario}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/unattended_test.sh ${scenario} $<TARGET_FILE:setup_run_en_us>
                   $<TARGET_FILE:setup_tag_untagged>)
  set_tests_properties(unattended.${scenario} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900
                       ENVIRONMENT "${ORVEX_BENCH_ENV};ORVEX_PACKAGES=${unattended_packages_dir};HARDENING_PROBE=$<TARGET_FILE:hardening_probe>")
endforeach()
add_dependencies(setup_run_en_us msi_edition_previous msi_edition_next_minor)
