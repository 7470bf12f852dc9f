# Runs a libFuzzer target for a while on a corpus seeded with the BMP suite, copied into the
# build tree at test time so that the shared corpora are never written to.
#   cmake -D FUZZER=... -D SEEDS=<suite folder> -D WORKDIR=... -D SECONDS=60 -P run_fuzzer.cmake
# Any crash, leak or sanitizer report makes the fuzzer exit non-zero, which fails the test.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/corpus ${WORKDIR}/artifacts)
file(GLOB_RECURSE seeds ${SEEDS}/*.bmp)
list(LENGTH seeds count)
if(count EQUAL 0)
  message(FATAL_ERROR "no seed files under ${SEEDS}")
endif()
file(COPY ${seeds} DESTINATION ${WORKDIR}/corpus)
message(STATUS "${count} seed files; fuzzing for ${SECONDS} s")
execute_process(
  COMMAND ${FUZZER} ${WORKDIR}/corpus
          -max_total_time=${SECONDS} -detect_leaks=1 -timeout=20
          -rss_limit_mb=2048 -malloc_limit_mb=1024
          -artifact_prefix=${WORKDIR}/artifacts/ -print_final_stats=1
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the fuzzer found a fault (exit ${result}); see ${WORKDIR}/artifacts")
endif()
