# Read by CPack as it runs. Entry times come from SOURCE_DATE_EPOCH: where the environment does
# not set it, the time of the commit being packed (read now, not when the build was configured),
# so that a later build of the same commit writes the same. ZIP entries hold local times, so the
# local time is UTC wherever the build runs.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch 0)
  find_program(ts_git git)
  if(ts_git)
    execute_process(COMMAND ${ts_git} -C ${CPACK_TS_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE commit_time RESULT_VARIABLE status ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(status EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
      set(epoch ${commit_time})
    endif()
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
set(ENV{TZ} "UTC")
