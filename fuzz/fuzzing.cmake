# The caption reader's fuzz target and its test. It needs clang with libFuzzer (Debian's clang and
# libclang-rt-14-dev); when clang is missing the target and its test are left out.
option(TAVOREL_FUZZ "Build the caption reader's fuzz target (needs clang with libFuzzer)" ON)
set(TAVOREL_FUZZ_SECONDS 20 CACHE STRING "How long the fuzz test runs the fuzzer")

if(TAVOREL_FUZZ)
  find_program(TAVOREL_CLANGXX NAMES clang++ clang++-14)
  if(NOT TAVOREL_CLANGXX)
    message(STATUS "clang++ not found: the fuzz target is not built")
  else()
    include(ExternalProject)
    set(fuzz_bin ${CMAKE_BINARY_DIR}/fuzz)
    ExternalProject_Add(tavorel_fuzz
      SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}
      BINARY_DIR ${fuzz_bin}
      CMAKE_ARGS -DCMAKE_CXX_COMPILER=${TAVOREL_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
                 -DCMAKE_PREFIX_PATH=${CMAKE_PREFIX_PATH}
      CMAKE_GENERATOR ${CMAKE_GENERATOR}
      BUILD_ALWAYS ON
      INSTALL_COMMAND ""
      BUILD_BYPRODUCTS ${fuzz_bin}/fuzz_rtfreader)
    add_test(NAME fuzz.rtfreader
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run-fuzzer.sh ${fuzz_bin}/fuzz_rtfreader
              ${CMAKE_SOURCE_DIR}/tests/presentation/rtf-samples ${fuzz_bin}/run
              ${TAVOREL_FUZZ_SECONDS})
    set_tests_properties(fuzz.rtfreader PROPERTIES LABELS fuzz TIMEOUT 300
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1")
  endif()
endif()
