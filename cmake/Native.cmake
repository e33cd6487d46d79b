# Settings of the native build: portable core, peers, their tests and fuzzers.
option(ZELVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
option(ZELVO_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(ZELVO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ZELVO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

find_package(GTest REQUIRED)
include(GoogleTest)
find_package(Threads REQUIRED)

# A libFuzzer target run for a bounded time as a test.
function(zelvo_fuzzer target)
  if(NOT ZELVO_FUZZ)
    return()
  endif()
  add_executable(${target} ${ARGN})
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${target} PRIVATE zelvo_core)
  set(corpus ${CMAKE_BINARY_DIR}/corpus/${target})
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME fuzz.${target}
           COMMAND ${target} -max_total_time=20 -rss_limit_mb=1024 -timeout=10 ${corpus})
  set_tests_properties(fuzz.${target} PROPERTIES TIMEOUT 120)
endfunction()
