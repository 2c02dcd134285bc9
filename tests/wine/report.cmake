# Help and cancellation links under Wine: a small program opens them through the real shell, with
# the bench's recorder standing in for the browser or for Explorer, and the real registry.
add_executable(report_probe
  ${CMAKE_CURRENT_SOURCE_DIR}/programs/report_probe.cpp
  $<TARGET_OBJECTS:orvex_program>
  $<TARGET_OBJECTS:orvex_platform_win32>)
target_include_directories(report_probe PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(report_probe PRIVATE -Wall -Wextra -Werror -municode)
target_compile_definitions(report_probe PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_options(report_probe PRIVATE -municode -static -static-libgcc -static-libstdc++)
target_link_libraries(report_probe PRIVATE ${ORVEX_WIN32_LIBRARIES})

set(report_bench_env "BENCH_TOOLS=${WINE_BENCH_TOOLS_DIR};BENCH_WORK=${CMAKE_BINARY_DIR}/wine-work")
foreach(scenario browser explorer windows_xp)
  add_test(NAME report.links.${scenario}
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/report_links_test.sh ${scenario})
  set_tests_properties(report.links.${scenario} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                       ENVIRONMENT "${report_bench_env};REPORT_PROBE=$<TARGET_FILE:report_probe>;ORVEX_LINK_BASE=${ORVEX_LINK_BASE}")
endforeach()
