# Fuzzing build (-DHOX_FUZZ=ON, clang only): every target is instrumented for
# libFuzzer's coverage feedback and checked by ASan and UBSan, so that the
# library code a fuzz target drives reports what it gets wrong. Only the fuzz
# targets themselves link libFuzzer's main (tests/fuzz/CMakeLists.txt).
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "HOX_FUZZ needs clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
endif()
if(NOT HOX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "HOX_FUZZ brings its own sanitizers; leave HOX_SANITIZE empty")
endif()
add_compile_options(-fsanitize=address,undefined -fsanitize=fuzzer-no-link
                    -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
add_link_options(-fsanitize=address,undefined)
