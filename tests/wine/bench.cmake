# The Wine test bench: its helper programs, the template prefix every scenario copies (made once
# per run by a fixture), and the bench's own test.
add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/tools ${CMAKE_CURRENT_BINARY_DIR}/tools)

set(ORVEX_BENCH_ENV "BENCH_TOOLS=${WINE_BENCH_TOOLS_DIR};BENCH_WORK=${CMAKE_BINARY_DIR}/wine-work"
                    "ORVEX_PRODUCT_ENV=${CMAKE_BINARY_DIR}/product.env")

add_test(NAME wine.template COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/template_fixture.sh)
set_tests_properties(wine.template PROPERTIES FIXTURES_SETUP wine TIMEOUT 300 ENVIRONMENT "${ORVEX_BENCH_ENV}")

add_test(NAME wine.bench_selftest COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/selftest_test.sh)
set_tests_properties(wine.bench_selftest PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                     ENVIRONMENT "${ORVEX_BENCH_ENV}")
