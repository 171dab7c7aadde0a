# -DS7_FUZZ=ON (clang only): every target gets libFuzzer's coverage hooks and the address and
# undefined-behaviour sanitizers, so the fuzzers see and check the code they drive, and fuzz/ adds a
# libFuzzer binary per target. Off, the build is unchanged.
option(S7_FUZZ "Instrument the build for libFuzzer and build the fuzz targets (clang only)" OFF)
if(S7_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "S7_FUZZ needs clang: libFuzzer is part of clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
