# The removal of an installed version under Wine: the shipped setup against editions carrying the
# stand-ins for the product's install tool, service and COM server.
get_filename_component(removal_packages_dir "${ORVEX_MSI_main}" DIRECTORY)
foreach(scenario older same upgrade9 removal_fails tool_259 tool_missing)
  add_test(NAME removal.${scenario}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/removal_test.sh ${scenario} $<TARGET_FILE:setup_default>)
  set_tests_properties(removal.${scenario} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                       ENVIRONMENT "${ORVEX_BENCH_ENV};ORVEX_PACKAGES=${removal_packages_dir}")
endforeach()
