# Linux host build: the program's logic and operations against recording fakes of the platform.
find_package(GTest REQUIRED)
include(GoogleTest)

option(ORVEX_SANITIZE "Build the host tests with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
if(ORVEX_SANITIZE)
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(orvex_program PRIVATE ${sanitizers})
  add_link_options(${sanitizers})
  add_compile_options(${sanitizers})
endif()

option(ORVEX_FUZZ "Build the libFuzzer targets of tests/fuzz (needs clang) instead of the host tests and tools" OFF)
if(ORVEX_FUZZ)
  add_subdirectory(tests/fuzz)
else()
  add_subdirectory(tests)
  add_subdirectory(tools)
endif()
