# The fuzz targets and their tests. They need clang with libFuzzer (Debian's clang and
# libclang-rt-dev); when clang is missing the targets and their tests are left out.
option(TAVOREL_FUZZ "Build the fuzz targets (needs clang with libFuzzer)" ON)
set(TAVOREL_FUZZ_SECONDS 15 CACHE STRING "How long each fuzz test runs its fuzzer")

if(TAVOREL_FUZZ)
  find_program(TAVOREL_CLANGXX NAMES clang++ clang++-14)
  if(NOT TAVOREL_CLANGXX)
    message(STATUS "clang++ not found: the fuzz targets are not built")
  else()
    include(ExternalProject)
    set(fuzz_bin ${CMAKE_BINARY_DIR}/fuzz)
    set(fuzz_src ${CMAKE_CURRENT_LIST_DIR})
    # target, seed folder, dictionary (optional)
    set(fuzz_targets
      "rtfreader|${CMAKE_SOURCE_DIR}/tests/captions/rtf-samples|${fuzz_src}/rtf.dict"
      "settings|${fuzz_src}/seeds/settings|"
      "datetime|${fuzz_src}/seeds/datetime|"
      "playlist|${fuzz_src}/seeds/playlist|"
      "pictures|${fuzz_src}/seeds/pictures|")
    set(byproducts)
    foreach(entry ${fuzz_targets})
      string(REPLACE "|" ";" parts "${entry}")
      list(GET parts 0 name)
      list(APPEND byproducts ${fuzz_bin}/fuzz_${name})
    endforeach()
    ExternalProject_Add(tavorel_fuzz
      SOURCE_DIR ${fuzz_src}
      BINARY_DIR ${fuzz_bin}
      CMAKE_ARGS -DCMAKE_CXX_COMPILER=${TAVOREL_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
                 -DCMAKE_PREFIX_PATH=${CMAKE_PREFIX_PATH}
      CMAKE_GENERATOR ${CMAKE_GENERATOR}
      BUILD_ALWAYS ON
      INSTALL_COMMAND ""
      BUILD_BYPRODUCTS ${byproducts})
    foreach(entry ${fuzz_targets})
      string(REPLACE "|" ";" parts "${entry}")
      list(GET parts 0 name)
      list(GET parts 1 seeds)
      list(GET parts 2 dict)
      add_test(NAME fuzz.${name}
        COMMAND bash ${fuzz_src}/run-fuzzer.sh ${fuzz_bin}/fuzz_${name} ${seeds}:${fuzz_src}/corpus/${name}
                ${fuzz_bin}/run-${name} ${TAVOREL_FUZZ_SECONDS} ${dict})
      set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 300
        ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${fuzz_src}/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1")
    endforeach()
  endif()
endif()
