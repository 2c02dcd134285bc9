# Language packs under Wine: what "/supportedlang" lists for setups that carry different packs.
orvex_language_pack_resources(languages_de_en_packs de-DE en-US)
orvex_add_setup(setup_languages_de_en OUTPUT_NAME setup_languages_de_en
                MAIN "${ORVEX_MSI_main}" PACKS ${languages_de_en_packs}
                DEPENDS msi_main msi_langpack_de_DE msi_langpack_en_US)

# Names that are not packs (no such language, wrong length) beside one whose 14th character is
# not an underscore.
orvex_add_setup(setup_languages_odd_names OUTPUT_NAME setup_languages_odd_names
                MAIN "${ORVEX_MSI_main}"
                PACKS "QZLANGPACK_EN_AU=${ORVEX_MSI_langpack_en_US}"
                      "QZLANGPACK_DE_DE_1=${ORVEX_MSI_langpack_de_DE}"
                      "QZLANGPACK_FRXFR=${ORVEX_MSI_langpack_fr_FR}"
                DEPENDS msi_main msi_langpack_en_US msi_langpack_de_DE msi_langpack_fr_FR)

add_test(NAME languages.supported
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/supported_languages_test.sh
                 $<TARGET_FILE:setup_languages_de_en> $<TARGET_FILE:setup_default>
                 $<TARGET_FILE:setup_languages_odd_names>)
set_tests_properties(languages.supported PROPERTIES
                     FIXTURES_REQUIRED wine TIMEOUT 600
                     ENVIRONMENT "${ORVEX_BENCH_ENV}")
