# Runs the built tintsight-cli executable as a user would and checks its exit status, its
# output streams and the file it writes.
#   cmake -D CLI=<exe> [-D EMULATOR=<runner>] -D INPUT=<a 24-bit BMP> -D WORKDIR=<folder>
#         [-D PREFIX=<how the program sees absolute paths>] -P cli_exe_check.cmake
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})

function(run_cli expected_status stdout_pattern stderr_pattern)
  execute_process(COMMAND ${EMULATOR} ${CLI} ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "tintsight-cli ${ARGN}: exit ${status}, expected ${expected_status}\n${out}${err}")
  endif()
  if(NOT out MATCHES "${stdout_pattern}")
    message(FATAL_ERROR "tintsight-cli ${ARGN}: output\n${out}\ndoes not match ${stdout_pattern}")
  endif()
  if(NOT err MATCHES "${stderr_pattern}")
    message(FATAL_ERROR "tintsight-cli ${ARGN}: errors\n${err}\ndo not match ${stderr_pattern}")
  endif()
endfunction()

run_cli(0 "^usage: tintsight-cli \\[-c N\\] INPUT OUTPUT" "^$" --help)
run_cli(2 "^$" "^tintsight-cli: an input and an output file are needed\nusage:")
run_cli(2 "^$" "^tintsight-cli: unknown option \"-q\"" -q a b)
run_cli(1 "^$" "^tintsight-cli: ファイル ${PREFIX}${WORKDIR}/none.bmp は開けません\n$"
        ${PREFIX}${WORKDIR}/none.bmp ${PREFIX}${WORKDIR}/out.bmp)
if(EXISTS ${WORKDIR}/out.bmp)
  message(FATAL_ERROR "a failed run wrote its output")
endif()

run_cli(0 "^$" "^$" -c 3 ${PREFIX}${INPUT} ${PREFIX}${WORKDIR}/out.bmp)
file(SIZE ${INPUT} input_size)
file(SIZE ${WORKDIR}/out.bmp output_size)
file(READ ${WORKDIR}/out.bmp signature LIMIT 2 HEX)
if(NOT signature STREQUAL "424d" OR NOT output_size EQUAL input_size)
  message(FATAL_ERROR "out.bmp: ${output_size} bytes starting with ${signature}; expected a BMP of ${input_size} bytes")
endif()
file(GLOB left ${WORKDIR}/*)
list(LENGTH left count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "files left beside the output: ${left}")
endif()
