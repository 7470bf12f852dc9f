# Runs the built tintsight-cli executable as a user would and checks its exit status, its
# output streams and the files it writes.
#   cmake -D CLI=<exe> [-D EMULATOR=<runner>] -D INPUT=<a 24-bit BMP> -D PNG_INPUT=<a PNG>
#         -D WORKDIR=<folder> [-D PREFIX=<how the program sees absolute paths>]
#         -P cli_exe_check.cmake
# Without the BMP test suite (INPUT missing) the BMP input is one the program writes from the PNG.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})

function(run_cli expected_status stdout_pattern stderr_pattern)
  execute_process(COMMAND ${EMULATOR} ${CLI} ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  # Under Wine a console program's lines may end in CR LF.
  string(REPLACE "\r\n" "\n" out "${out}")
  string(REPLACE "\r\n" "\n" err "${err}")
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "tintsight-cli ${ARGN}: exit ${status}, expected ${expected_status}\n${out}${err}")
  endif()
  if(NOT out MATCHES "${stdout_pattern}")
    message(FATAL_ERROR "tintsight-cli ${ARGN}: output\n${out}\ndoes not match ${stdout_pattern}")
  endif()
  if(NOT err MATCHES "${stderr_pattern}")
    message(FATAL_ERROR "tintsight-cli ${ARGN}: errors\n${err}\ndo not match ${stderr_pattern}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

# Checks that `file` is a BMP file of `size` bytes.
function(check_bmp file size)
  file(SIZE ${file} actual)
  file(READ ${file} signature LIMIT 2 HEX)
  if(NOT signature STREQUAL "424d" OR NOT actual EQUAL size)
    message(FATAL_ERROR "${file}: ${actual} bytes starting with ${signature}; expected a BMP of ${size} bytes")
  endif()
endfunction()

if(NOT EXISTS ${INPUT})
  set(made ${WORKDIR}-input/rgb24.bmp)
  file(REMOVE_RECURSE ${WORKDIR}-input)
  file(MAKE_DIRECTORY ${WORKDIR}-input)
  execute_process(COMMAND ${EMULATOR} ${CLI} ${PREFIX}${PNG_INPUT} ${PREFIX}${made}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "no BMP input: ${INPUT} is missing and ${PNG_INPUT} was not converted")
  endif()
  message(STATUS "BMP test suite not found (no file ${INPUT}): "
                 "the BMP input is made from ${PNG_INPUT}")
  set(INPUT ${made})
endif()

run_cli(0 "^tintsight-cli [0-9]+\\.[0-9]+\\.[0-9]+( \\(commit [0-9a-f]+(-modified)?\\))?\n$" "^$"
        --version)
run_cli(0 "^usage: tintsight-cli \\[-c N\\] \\[--plugin-dir DIR\\]\\.\\.\\. INPUT OUTPUT\n" "^$" --help)
run_cli(2 "^$" "^tintsight-cli: an input and an output file are needed \\(tintsight-cli --help shows the usage\\)\n$")
run_cli(2 "^$" "^tintsight-cli: unknown option \"-q\"" -q a b)
run_cli(1 "^$" "^tintsight-cli: ファイル ${PREFIX}${WORKDIR}/none.bmp は開けません: [^\n]+\n$"
        ${PREFIX}${WORKDIR}/none.bmp ${PREFIX}${WORKDIR}/out.bmp)
if(EXISTS ${WORKDIR}/out.bmp)
  message(FATAL_ERROR "a failed run wrote its output")
endif()

# A BMP file, read directly.
run_cli(0 "^$" "^$" -c 3 ${PREFIX}${INPUT} ${PREFIX}${WORKDIR}/out.bmp)
file(SIZE ${INPUT} input_size)
check_bmp(${WORKDIR}/out.bmp ${input_size})
file(GLOB left ${WORKDIR}/*)
list(LENGTH left count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "files left beside the output: ${left}")
endif()

# Our bundled plug-in, found in the SusiePlugin folder beside the program, lists itself and reads
# a PNG file (160 x 160 pixels: rows of 480 bytes after 54 bytes of headers).
run_cli(0 "SusiePlugin.tsimage\\.spi\n  class: import \\(TInSPI\\)\n  version: 00IN\n.*  filter: \\*\\.png " "^$"
        --list-plugins)
run_cli(0 "^$" "^$" -c 3 ${PREFIX}${PNG_INPUT} ${PREFIX}${WORKDIR}/wheel.bmp)
check_bmp(${WORKDIR}/wheel.bmp 76854)

# The batch form: one result per input; an input that nothing reads is reported on one line
# naming it, and the others are still written.
file(MAKE_DIRECTORY ${WORKDIR}/batch)
file(WRITE ${WORKDIR}/broken.png "not a picture")
run_cli(1 "^$" "^tintsight-cli: ${PREFIX}${WORKDIR}/broken.png: 認識できない画像形式です: tsimage\\.spi refused\n$"
        -c 1 -o ${PREFIX}${WORKDIR}/batch ${PREFIX}${PNG_INPUT} ${PREFIX}${WORKDIR}/broken.png
        ${PREFIX}${INPUT})
check_bmp(${WORKDIR}/batch/colour-wheel.bmp 76854)
check_bmp(${WORKDIR}/batch/rgb24.bmp ${input_size})
file(GLOB written ${WORKDIR}/batch/*)
list(LENGTH written count)
if(NOT count EQUAL 2)
  message(FATAL_ERROR "the batch wrote ${written}")
endif()

# Standard input and output as "-": the same bytes as through files, a plug-in format too.
foreach(piped IN ITEMS "${INPUT}|${WORKDIR}/out.bmp" "${PNG_INPUT}|${WORKDIR}/wheel.bmp")
  string(REPLACE "|" ";" piped "${piped}")
  list(GET piped 0 source)
  list(GET piped 1 through_files)
  execute_process(COMMAND ${EMULATOR} ${CLI} -c 3 - - INPUT_FILE ${source}
                  OUTPUT_FILE ${WORKDIR}/piped.bmp RESULT_VARIABLE status ERROR_VARIABLE err)
  file(SHA256 ${WORKDIR}/piped.bmp got)
  file(SHA256 ${through_files} expected)
  if(NOT status EQUAL 0 OR NOT got STREQUAL expected)
    message(FATAL_ERROR "- - from ${source}: exit ${status}, ${err}; the output differs from ${through_files}")
  endif()
endforeach()

# Outputs that are devices are written directly: nothing appears beside them, and a run ends.
if(PREFIX)
  set(devices NUL ${PREFIX}${WORKDIR}/batch/nul.bmp ${PREFIX}${WORKDIR}/batch/com1.bmp)
else()
  set(devices /dev/null)
endif()
foreach(device IN LISTS devices)
  run_cli(0 "^$" "^$" ${PREFIX}${INPUT} ${device})
endforeach()
file(GLOB written ${WORKDIR}/batch/*)
list(LENGTH written count)
if(NOT count EQUAL 2)
  message(FATAL_ERROR "writing to devices left ${written}")
endif()

# A contact sheet as PNG (the 160 x 160 wheel: cells 202 pixels wide, 182 high) and a simulation
# in the batch form as PNG.
run_cli(0 "^$" "^$" --sheet ${PREFIX}${PNG_INPUT} ${PREFIX}${WORKDIR}/sheet.png)
file(READ ${WORKDIR}/sheet.png header LIMIT 24 HEX)
if(NOT header STREQUAL "89504e470d0a1a0a0000000d494844520000035000000242")
  message(FATAL_ERROR "sheet.png does not start as a PNG of 848 x 578 pixels: ${header}")
endif()
run_cli(2 "^$" "^tintsight-cli: the severity must be a number from 0 to 1, not \"2\""
        --simulate protanomaly --severity 2 ${PREFIX}${INPUT} ${PREFIX}${WORKDIR}/x.bmp)
file(MAKE_DIRECTORY ${WORKDIR}/simulated)
run_cli(0 "^$" "^$" --simulate tritanopia --format png -o ${PREFIX}${WORKDIR}/simulated
        ${PREFIX}${INPUT})
file(READ ${WORKDIR}/simulated/rgb24.png signature LIMIT 4 HEX)
if(NOT signature STREQUAL "89504e47")
  message(FATAL_ERROR "the batch wrote no PNG: ${signature}")
endif()

# A contrast-loss map: its line of figures on standard output; with the map itself on standard
# output, the line goes to standard error and the map's bytes are those written to a file.
set(figures "^[^\n]*rgb24\\.bmp: protanopia: [0-9]+\\.[0-9]% of visible boundaries lost \\([0-9]+ of [0-9]+\\)\n$")
run_cli(0 "${figures}" "^$" --contrast-loss --simulate protanopia ${PREFIX}${INPUT}
        ${PREFIX}${WORKDIR}/map.bmp)
check_bmp(${WORKDIR}/map.bmp ${input_size})
execute_process(COMMAND ${EMULATOR} ${CLI} --contrast-loss --simulate protanopia ${PREFIX}${INPUT} -
                OUTPUT_FILE ${WORKDIR}/piped-map.bmp RESULT_VARIABLE status ERROR_VARIABLE err)
string(REPLACE "\r\n" "\n" err "${err}")
file(SHA256 ${WORKDIR}/piped-map.bmp got)
file(SHA256 ${WORKDIR}/map.bmp expected)
if(NOT status EQUAL 0 OR NOT got STREQUAL expected OR NOT err MATCHES "${figures}")
  message(FATAL_ERROR "a map to standard output: exit ${status}, \"${err}\"; the map differs or the figures are not on standard error")
endif()
