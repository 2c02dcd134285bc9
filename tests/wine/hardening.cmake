# The setup against hostile surroundings under Wine: DLLs planted beside it.
add_library(canary_dll SHARED ${CMAKE_CURRENT_SOURCE_DIR}/programs/canary_dll.cpp)
set_target_properties(canary_dll PROPERTIES PREFIX "" OUTPUT_NAME canary
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/hardening)
target_compile_options(canary_dll PRIVATE -Wall -Wextra -Werror)
target_compile_definitions(canary_dll PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
target_link_options(canary_dll PRIVATE -static-libgcc)

add_executable(dll_search_probe WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/programs/dll_search_probe.cpp)
set_target_properties(dll_search_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/hardening)
target_compile_options(dll_search_probe PRIVATE -Wall -Wextra -Werror -municode)
target_compile_definitions(dll_search_probe PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_options(dll_search_probe PRIVATE -municode -mwindows -static -static-libgcc -static-libstdc++)
target_link_libraries(dll_search_probe PRIVATE shell32)

add_test(NAME hardening.planted_dlls
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/hardening_planted_dlls_test.sh
                 $<TARGET_FILE:setup_default> $<TARGET_FILE:canary_dll> $<TARGET_FILE:dll_search_probe>)
set_tests_properties(hardening.planted_dlls PROPERTIES
                     FIXTURES_REQUIRED wine TIMEOUT 600 ENVIRONMENT "${ORVEX_BENCH_ENV}")
