# The libFuzzer build (clang, NUKO_FUZZ=ON): every library of ours gets the
# fuzzer's coverage instrumentation, so the fuzzers see the code they test,
# and runs under AddressSanitizer and UndefinedBehaviorSanitizer. Only the
# <name>_fuzzer programs link libFuzzer itself (fuzz/CMakeLists.txt).
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(WARNING "NUKO_FUZZ needs clang: no libFuzzer programs are built")
  return()
endif()
if(NUKO_SANITIZE STREQUAL "thread")
  message(FATAL_ERROR "NUKO_FUZZ runs under AddressSanitizer; it cannot be combined with NUKO_SANITIZE=thread")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=undefined)
add_link_options(-fsanitize=address,undefined)
set(NUKO_FUZZ_INSTRUMENTED ON)
