# SIO_BUILD_FUZZ builds the libFuzzer targets under fuzz/: every target of the build gets
# libFuzzer's coverage instrumentation, the fuzz targets link its driver.  Needs clang
# (tools/fuzz.sh configures it, with SIO_SANITIZER=address+undefined).
if(SIO_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "SIO_BUILD_FUZZ needs clang (CXX=clang++-14), not ${CMAKE_CXX_COMPILER_ID}")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
