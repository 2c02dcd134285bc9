# Help and cancellation links under Wine: a small program opens them through the real shell, with
# the bench's recorder standing in for the browser or for Explorer, and the real registry.
orvex_add_test_program(report_probe ${CMAKE_CURRENT_SOURCE_DIR}/programs/report_probe.cpp CONSOLE)

foreach(scenario browser explorer windows_xp)
  add_test(NAME report.links.${scenario}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/report_links_test.sh ${scenario})
  set_tests_properties(report.links.${scenario} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                       ENVIRONMENT "${ORVEX_BENCH_ENV};REPORT_PROBE=$<TARGET_FILE:report_probe>;ORVEX_LINK_BASE=${ORVEX_LINK_BASE}")
endforeach()
