# The affiliate tag under Wine: the warnings of setups without a readable tag, and the silent
# start of the signed and stamped executables.
orvex_add_setup(setup_tag_unsigned OUTPUT_NAME tag_unsigned UNSIGNED)
orvex_add_setup(setup_tag_untagged OUTPUT_NAME tag_untagged UNTAGGED)
orvex_add_setup(setup_tag_stamped OUTPUT_NAME tag_stamped)

add_test(NAME tag.warnings
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tag_test.sh
                 $<TARGET_FILE:setup_default> $<TARGET_FILE:setup_tag_unsigned>
                 $<TARGET_FILE:setup_tag_untagged> $<TARGET_FILE:setup_tag_stamped>
                 ${ORVEX_HOST_STAMP_TOOL} ${ORVEX_SIGNING_CERTIFICATE} ${ORVEX_OSSLSIGNCODE})
set_tests_properties(tag.warnings PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                     ENVIRONMENT "${ORVEX_BENCH_ENV}")
