# Robustness builds: only cirvo_core and what exercises it, under AddressSanitizer and UBSan;
# Qt, FFTW and libtiff stay uninstrumented. Either option builds the core tests; both together
# (scripts/build-asan.sh) compile cirvo_core once for the tests and the fuzz targets.
#   CIRVO_SANITIZE  cirvo_core and tests/core
#   CIRVO_FUZZ      also the libFuzzer targets in fuzz/ (clang only)
option(CIRVO_SANITIZE "Build cirvo_core and its tests with ASan and UBSan" OFF)
option(CIRVO_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)

set(CIRVO_CORE_ONLY OFF)
if(CIRVO_SANITIZE OR CIRVO_FUZZ)
  set(CIRVO_CORE_ONLY ON)
  # Any finding stops the program, so a test or fuzz run cannot pass over it.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(CIRVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "CIRVO_FUZZ needs clang with libFuzzer: CC=clang CXX=clang++")
  endif()
  # Coverage feedback in every object; only the fuzz targets link libFuzzer's main, elsewhere
  # the sanitizer runtime takes the coverage calls.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
