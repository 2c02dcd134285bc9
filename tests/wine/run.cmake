# The installation run under Wine: the signed and stamped setup installs real packages through the
# real Windows Installer; the scenarios check the products, files, logs, registry, boxes and links
# it leaves behind. Each variant below carries the packs one scenario needs.
set(run_dir ${CMAKE_CURRENT_BINARY_DIR}/run)

# orvex_run_setup(<target> <output-name> <args for orvex_add_setup>...)
function(orvex_run_setup target output_name)
  orvex_add_setup(${target} OUTPUT_NAME ${output_name} ${ARGN} DEPENDS ${ORVEX_MSI_TARGETS})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${run_dir})
endfunction()

get_property(run_main GLOBAL PROPERTY ORVEX_MSI_main)
get_property(run_main_fail_1603 GLOBAL PROPERTY ORVEX_MSI_main_fail_1603)
get_property(run_main_fail_1627 GLOBAL PROPERTY ORVEX_MSI_main_fail_1627)
get_property(run_langpack_fail_1603 GLOBAL PROPERTY ORVEX_MSI_langpack_de_DE_fail_1603)

orvex_language_pack_resources(run_da_pack da-DK)
orvex_language_pack_resources(run_de_en_packs de-DE en-US)
orvex_language_pack_resources(run_en_pack en-US)

# The de-DE pack fails in its launch condition, after the da-DK pack has been installed.
orvex_run_setup(setup_run_pack_fails run_pack_fails MAIN "${run_main}"
                PACKS ${run_da_pack} "QZLANGPACK_DE_DE=${run_langpack_fail_1603}")
# The main package fails in its launch condition (1603), or in a program it runs (1627).
orvex_run_setup(setup_run_main_1603 run_main_1603 MAIN "${run_main_fail_1603}" PACKS ${run_de_en_packs})
orvex_run_setup(setup_run_main_1627 run_main_1627 MAIN "${run_main_fail_1627}" PACKS ${run_en_pack})
# Another affiliate tag, with a value that the stamping's "." and "&" rules rewrite.
orvex_run_setup(setup_run_tagged run_tagged MAIN "${run_main}" PACKS ${run_en_pack}
                TAG "AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=1.5")
# One pack only, for the benchmark against msiexec.
orvex_run_setup(setup_run_en_us run_en_us MAIN "${run_main}" PACKS ${run_en_pack})

# The system's text for an error number, to compare the warning box with.
add_executable(run_message_probe ${CMAKE_CURRENT_SOURCE_DIR}/programs/run_message_probe.cpp)
target_compile_options(run_message_probe PRIVATE -municode)
target_compile_definitions(run_message_probe PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_options(run_message_probe PRIVATE -municode -static -static-libgcc -static-libstdc++)

get_filename_component(run_packages_dir "${run_main}" DIRECTORY)
set(run_env "${ORVEX_BENCH_ENV};ORVEX_LINK_BASE=${ORVEX_LINK_BASE};ORVEX_PACKAGES=${run_packages_dir}"
            "RUN_MESSAGE_PROBE=$<TARGET_FILE:run_message_probe>")

# orvex_run_test(<scenario> <setup target>): run.<scenario> starts that setup.
function(orvex_run_test scenario setup)
  add_test(NAME run.${scenario}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/run_installation_test.sh ${scenario} $<TARGET_FILE:${setup}>)
  set_tests_properties(run.${scenario} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 ENVIRONMENT "${run_env}")
endfunction()

orvex_run_test(all_packs setup_default)
orvex_run_test(languages setup_default)
orvex_run_test(then_all setup_default)
orvex_run_test(unsupported setup_default)
orvex_run_test(extra_properties setup_default)
orvex_run_test(upgrade9 setup_default)
orvex_run_test(pack_fails setup_run_pack_fails)
orvex_run_test(main_1603 setup_run_main_1603)
orvex_run_test(main_1627_silent setup_run_main_1627)
orvex_run_test(main_1627_reduced setup_run_main_1627)
orvex_run_test(tagged setup_run_tagged)
# Tags written past the stamping tool, and a start by the bare name from a hostile folder.
orvex_run_test(hostile_tag setup_run_en_us)
orvex_run_test(bare_name setup_run_en_us)
# The language dialog of an interactive run: the two-pack setup of languages.cmake and the
# one-pack setup above.
orvex_run_test(dialog_choose setup_languages_de_en)
orvex_run_test(dialog_one_pack setup_run_en_us)
orvex_run_test(dialog_cancel setup_languages_de_en)
orvex_run_test(dialog_escape setup_languages_de_en)
orvex_run_test(dialog_upgrade9 setup_languages_de_en)

# Not a test: `cmake --build <dir> --target bench_silent_install` prints how long "/silent" with one
# language pack takes against msiexec installing the same two packages.
add_custom_target(bench_silent_install
  COMMAND ${CMAKE_COMMAND} -E env ${ORVEX_BENCH_ENV}
          bash ${CMAKE_CURRENT_SOURCE_DIR}/bench_silent_install.sh $<TARGET_FILE:setup_run_en_us>
               ${run_main} ${ORVEX_MSI_langpack_en_US} 7
  DEPENDS setup_run_en_us
  USES_TERMINAL
  VERBATIM)
if(TARGET wine_bench_tools)
  add_dependencies(bench_silent_install wine_bench_tools)
endif()

# Not a test: `cmake --build <dir> --target bench_dialog` prints how long a double-clicked setup
# takes to its language dialog with the large main package (ORVEX_BENCH_PACKAGE_MB) against the
# stand-in, first and later runs, beside a plain copy and one read of the large package. Its setup
# (the one-pack setup above with the large package) is built only for it.
get_property(run_main_large GLOBAL PROPERTY ORVEX_MSI_main_large)
orvex_run_setup(setup_bench_large bench_large MAIN "${run_main_large}" PACKS ${run_en_pack})
set_target_properties(setup_bench_large PROPERTIES EXCLUDE_FROM_ALL TRUE)
add_custom_target(bench_dialog
  COMMAND ${CMAKE_COMMAND} -E env ${ORVEX_BENCH_ENV}
          bash ${CMAKE_CURRENT_SOURCE_DIR}/bench_dialog.sh $<TARGET_FILE:setup_run_en_us>
               $<TARGET_FILE:setup_bench_large> $<TARGET_FILE:extraction_bench> 5
  DEPENDS setup_run_en_us setup_bench_large extraction_bench
  USES_TERMINAL
  VERBATIM)
if(TARGET wine_bench_tools)
  add_dependencies(bench_dialog wine_bench_tools)
endif()
