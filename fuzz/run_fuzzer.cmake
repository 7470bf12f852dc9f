# Runs a libFuzzer target for a while on a corpus seeded at test time in the build tree, so that
# the shared corpora are never written to.
#   cmake -D FUZZER=... -D SEEDS=<suite folder> -D WORKDIR=... -D SECONDS=60 -P run_fuzzer.cmake
# The seeds are the suite's BMP files; with -D SEED_WRITER=<program> the program writes them
# instead (called with the corpus folder, then the suite folder when SEEDS is given). Optional:
# -D OPTIONS=<more fuzzer flags, ';'-separated>.
# Any crash, leak or sanitizer report makes the fuzzer exit non-zero, which fails the test.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/corpus ${WORKDIR}/artifacts)
if(DEFINED SEED_WRITER)
  execute_process(COMMAND ${SEED_WRITER} ${WORKDIR}/corpus ${SEEDS} RESULT_VARIABLE written)
  if(NOT written EQUAL 0)
    message(FATAL_ERROR "the seed writer failed (exit ${written})")
  endif()
else()
  file(GLOB_RECURSE suite ${SEEDS}/*.bmp)
  file(COPY ${suite} DESTINATION ${WORKDIR}/corpus)
endif()
file(GLOB seeds ${WORKDIR}/corpus/*)
list(LENGTH seeds count)
if(count EQUAL 0)
  message(FATAL_ERROR "no seed files for ${FUZZER}")
endif()
message(STATUS "${count} seed files; fuzzing for ${SECONDS} s")
execute_process(
  COMMAND ${FUZZER} ${WORKDIR}/corpus
          -max_total_time=${SECONDS} -detect_leaks=1 -timeout=20
          -rss_limit_mb=2048 -malloc_limit_mb=1024
          -artifact_prefix=${WORKDIR}/artifacts/ -print_final_stats=1 ${OPTIONS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the fuzzer found a fault (exit ${result}); see ${WORKDIR}/artifacts")
endif()
