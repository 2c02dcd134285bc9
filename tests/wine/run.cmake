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
get_property(run_edition_9 GLOBAL PROPERTY ORVEX_MSI_edition_9_0_100_5)

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
                TAG "AFFILIATEID=qzv2011aid31051en-US&AFFILIATEIDFLAGS=.0&EXTRA=1.5")
# One pack only, for the benchmark against msiexec.
orvex_run_setup(setup_run_en_us run_en_us MAIN "${run_main}" PACKS ${run_en_pack})

# orvex_run_test(<scenario> <setup targets>...): run.<scenario> runs run_<scenario>_test.sh with
# the setups' paths; every script also gets the folder of the built packages.
function(orvex_run_test scenario script)
  set(files)
  foreach(setup IN LISTS ARGN)
    list(APPEND files $<TARGET_FILE:${setup}>)
  endforeach()
  get_filename_component(packages_dir "${run_main}" DIRECTORY)
  add_test(NAME run.${scenario}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/run_${script}_test.sh ${scenario} ${files})
  set_tests_properties(run.${scenario} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                       ENVIRONMENT "${ORVEX_BENCH_ENV};ORVEX_PACKAGES=${packages_dir};ORVEX_LINK_BASE=${ORVEX_LINK_BASE}")
endfunction()
