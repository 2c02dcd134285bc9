# The shipped executable's format, and the start-up behaviour of the real program under Wine.
add_test(NAME executable.format
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/executable_format_test.sh $<TARGET_FILE:setup_default>
                 ${CMAKE_CURRENT_SOURCE_DIR}/windows2000_exports.txt)
set_tests_properties(executable.format PROPERTIES
                     ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP};ORVEX_PRODUCT_ENV=${CMAKE_BINARY_DIR}/product.env")

# Start-up under Wine: the single-instance guard, the console answers and the fatal error of a
# setup that carries no language pack.
get_property(startup_main_msi GLOBAL PROPERTY ORVEX_MSI_main)
orvex_add_setup(setup_startup_no_packs OUTPUT_NAME startup_no_packs
                MAIN "${startup_main_msi}" DEPENDS ${ORVEX_MSI_TARGETS})

add_test(NAME startup.single_instance
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/startup_single_instance_test.sh
                 $<TARGET_FILE:setup_startup_no_packs> $<TARGET_FILE:setup_default>)
add_test(NAME startup.console
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/startup_console_test.sh
                 $<TARGET_FILE:setup_default> $<TARGET_FILE:setup_startup_no_packs>)
set_tests_properties(startup.single_instance startup.console PROPERTIES
                     FIXTURES_REQUIRED wine TIMEOUT 600 ENVIRONMENT "${ORVEX_BENCH_ENV}")

# Localized messages under Wine: the installed-product boxes of the shipped setup in English and
# German, and the string table as the resource loader resolves it for a user's language.
get_property(messages_newer_msi GLOBAL PROPERTY ORVEX_MSI_edition_next_minor)
get_property(messages_older_msi GLOBAL PROPERTY ORVEX_MSI_edition_previous)
add_test(NAME messages.installed_product.newer
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/messages_installed_product_test.sh newer
                 $<TARGET_FILE:setup_default> ${messages_newer_msi})
add_test(NAME messages.installed_product.older
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/messages_installed_product_test.sh older
                 $<TARGET_FILE:setup_default> ${messages_older_msi})

add_executable(strings_probe ${CMAKE_CURRENT_SOURCE_DIR}/programs/strings_probe.cpp
               ${PROJECT_SOURCE_DIR}/resources/strings.rc)
target_compile_options(strings_probe PRIVATE -municode)
target_compile_definitions(strings_probe PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_options(strings_probe PRIVATE -municode -static -static-libgcc -static-libstdc++)
target_link_libraries(strings_probe PRIVATE user32)
add_test(NAME messages.string_table
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/messages_string_table_test.sh $<TARGET_FILE:strings_probe>)
set_tests_properties(messages.installed_product.newer messages.installed_product.older messages.string_table
                     PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 ENVIRONMENT "${ORVEX_BENCH_ENV}")
