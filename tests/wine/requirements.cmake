# The Windows version check under Wine: the shipped setup on the systems it refuses and on those it
# accepts.
add_test(NAME requirements.windows_version
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/requirements_notice_test.sh $<TARGET_FILE:setup_default>)
set_tests_properties(requirements.windows_version PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                     ENVIRONMENT "${ORVEX_BENCH_ENV};ORVEX_LINK_BASE=${ORVEX_LINK_BASE}")
