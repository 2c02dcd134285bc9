# The shell-restart mode of the shipped setup under Wine.
add_test(NAME shell.restart
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/shell_restart_test.sh $<TARGET_FILE:setup_default>)
set_tests_properties(shell.restart PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 ENVIRONMENT "${ORVEX_BENCH_ENV}")
