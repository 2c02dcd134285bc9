# The setup against hostile surroundings under Wine: DLLs planted beside it, links and other
# programs at its package files, an unusable temporary folder.
add_library(canary_dll SHARED ${CMAKE_CURRENT_SOURCE_DIR}/programs/canary_dll.cpp)
set_target_properties(canary_dll PROPERTIES PREFIX "" OUTPUT_NAME canary
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/hardening)
target_compile_definitions(canary_dll PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
target_link_options(canary_dll PRIVATE -static-libgcc)

add_executable(hardening_probe WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/programs/hardening_probe.cpp
                               ${PROJECT_SOURCE_DIR}/platform/win32/system_library.cpp)
target_include_directories(hardening_probe PRIVATE ${PROJECT_SOURCE_DIR})
set_target_properties(hardening_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/hardening)
target_compile_options(hardening_probe PRIVATE -municode)
target_compile_definitions(hardening_probe PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_options(hardening_probe PRIVATE -municode -mwindows -static -static-libgcc -static-libstdc++)
target_link_libraries(hardening_probe PRIVATE shell32)

add_test(NAME hardening.planted_dlls
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/hardening_planted_dlls_test.sh
                 $<TARGET_FILE:setup_default> $<TARGET_FILE:canary_dll> $<TARGET_FILE:hardening_probe>)
get_property(hardening_older_msi GLOBAL PROPERTY ORVEX_MSI_edition_previous)
add_test(NAME hardening.package_files
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/hardening_package_files_test.sh
                 $<TARGET_FILE:setup_default> $<TARGET_FILE:hardening_probe> $<TARGET_FILE:extraction_probe>
                 ${hardening_older_msi})
set_tests_properties(hardening.planted_dlls hardening.package_files PROPERTIES
                     FIXTURES_REQUIRED wine TIMEOUT 600 ENVIRONMENT "${ORVEX_BENCH_ENV}")
