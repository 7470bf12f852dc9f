# Run by CPack on the staged files before it packs them: every file and folder gets the commit's
# time, so that the archive's entry times do not depend on when the build ran.
find_program(ts_touch touch REQUIRED)
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
list(APPEND entries "${CPACK_TEMPORARY_DIRECTORY}")
list(SORT entries)
if(entries)
  execute_process(COMMAND ${ts_touch} -h -d @$ENV{SOURCE_DATE_EPOCH} ${entries}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not set the times of the staged files")
  endif()
endif()
