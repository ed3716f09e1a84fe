# Fails when a test source skips on its own: the only skips are the two
# macros of tests/support/test_support.h (a missing test tool, which fails
# under NUKO_REQUIRE_TEST_TOOLS, and the hardware these machines never have).
#   cmake -DROOT=<source folder> -P no_silent_skips.cmake
file(GLOB_RECURSE sources ${ROOT}/tests/*.cpp ${ROOT}/tests/*.h ${ROOT}/fuzz/*.cpp ${ROOT}/fuzz/*.h)
set(found "")
foreach(f IN LISTS sources)
  if(f MATCHES "/tests/support/")
    continue()
  endif()
  file(STRINGS ${f} lines REGEX "GTEST_SKIP")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    string(APPEND found "\n  ${f}: ${line}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "tests that skip by themselves (use NUKO_REQUIRE_TOOL or NUKO_SKIP_WITHOUT):${found}")
endif()
