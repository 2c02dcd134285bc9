# The shipped executable's format, and the start-up behaviour of the real program under Wine.
add_test(NAME executable.format
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/executable_format_test.sh $<TARGET_FILE:setup_default>)
set_tests_properties(executable.format PROPERTIES ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP}")
