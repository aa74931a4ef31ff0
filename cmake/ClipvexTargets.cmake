# Compiler settings and helper functions shared by every target.

set(CLIPVEX_WARNINGS -Wall -Wextra -Wpedantic)
if(CLIPVEX_WERROR)
  list(APPEND CLIPVEX_WARNINGS -Werror)
endif()

if(CLIPVEX_SANITIZE OR CLIPVEX_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(CLIPVEX_FUZZ)
  # Every library gets coverage instrumentation; only fuzz targets link the fuzzer main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# clipvex_warnings(target): our own code compiles warning-free.
function(clipvex_warnings target)
  target_compile_options(${target} PRIVATE ${CLIPVEX_WARNINGS})
endfunction()

# clipvex_add_gtest(NAME name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s] [PREFIX p])
# One GoogleTest executable; each test case becomes a ctest test (its name
# after PREFIX, for executables that run the same cases twice), which ctest
# reports as skipped when the case skips itself.
function(clipvex_add_gtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT;PREFIX" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  clipvex_warnings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  target_compile_definitions(${T_NAME} PRIVATE
    CLIPVEX_SHARED_DIR="${CLIPVEX_SHARED_DIR}"
    CLIPVEX_BINARY_DIR="${CMAKE_BINARY_DIR}"
    CLIPVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    TEST_PREFIX "${T_PREFIX}"
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}" SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endfunction()

# clipvex_add_fixture_test(NAME name COMMAND program args... [LABELS ...] [TIMEOUT s])
# A test outside GoogleTest (a shell check, a tool's short run) that reads
# fixtures: "@FIXTURES@" in its arguments stands for the fixtures folder
# ($CLIPVEX_FIXTURES when the test runs, else fixtures/ in CLIPVEX_SHARED_DIR;
# the real-engine player is @FIXTURES@/../tools/quake-oracle/play_oracle.sh).
# When the folder of such an argument is missing, the test prints the skip
# line of the GoogleTest cases (tests/support/fixtures.h) and counts as
# skipped.
function(clipvex_add_fixture_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  add_test(NAME ${T_NAME}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/support/with-fixtures.sh ${T_NAME} ${CLIPVEX_SHARED_DIR}/fixtures
            ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
    SKIP_REGULAR_EXPRESSION "Skipped for want of fixtures")
endfunction()

# clipvex_add_fuzzer(NAME name SOURCES ... LIBS ... [SEEDS dir] [SECONDS n])
# A libFuzzer target plus a ctest test that runs it for a few seconds.
function(clipvex_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;SEEDS;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 10)
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  clipvex_warnings(${F_NAME})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}_corpus)
  file(MAKE_DIRECTORY ${corpus})
  set(dirs ${corpus})
  if(F_SEEDS)
    list(APPEND dirs ${F_SEEDS})
  endif()
  add_test(NAME ${F_NAME}
    COMMAND ${F_NAME} -max_total_time=${F_SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 ${dirs})
  set_tests_properties(${F_NAME} PROPERTIES TIMEOUT 300 LABELS fuzz)
endfunction()
