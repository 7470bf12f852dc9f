# The 64-bit Windows CLI reads a PNG through each kind of plug-in module it hosts: a 32-bit
# tsimage.spi (served by tintsight-plugin-host32.exe) and a 64-bit tsimage.sph (served by
# tintsight-plugin-host.exe), each the only plug-in beside a copy of the program and its helpers.
#   cmake -D BIN=<folder of the 64-bit programs> -D PLUGIN32=<32-bit tsimage.spi>
#         -D PLUGIN64=<64-bit tsimage module> -D PNG_INPUT=<a PNG> -D WORKDIR=<folder>
#         [-D EMULATOR=<runner>] [-D PREFIX=<how the program sees absolute paths>]
#         -P cli_plugin_kinds_check.cmake
foreach(kind IN ITEMS "32|${PLUGIN32}|tsimage.spi" "64|${PLUGIN64}|tsimage.sph")
  string(REPLACE "|" ";" kind "${kind}")
  list(GET kind 0 bits)
  list(GET kind 1 module)
  list(GET kind 2 name)
  set(dir ${WORKDIR}/${bits})
  file(REMOVE_RECURSE ${dir})
  file(MAKE_DIRECTORY ${dir}/SusiePlugin)
  foreach(program IN ITEMS tintsight-cli.exe tintsight-plugin-host.exe tintsight-plugin-host32.exe)
    file(COPY_FILE ${BIN}/${program} ${dir}/${program})
  endforeach()
  file(COPY_FILE ${module} ${dir}/SusiePlugin/${name})
  execute_process(COMMAND ${EMULATOR} ${dir}/tintsight-cli.exe --list-plugins
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT out MATCHES "SusiePlugin.${name}\r?\n  class: import")
    message(FATAL_ERROR "${bits}-bit ${name} is not listed (exit ${status}):\n${out}${err}")
  endif()
  execute_process(COMMAND ${EMULATOR} ${dir}/tintsight-cli.exe -c 1 ${PREFIX}${PNG_INPUT}
                          ${PREFIX}${dir}/out.bmp
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT EXISTS ${dir}/out.bmp)
    message(FATAL_ERROR "${bits}-bit ${name} did not read ${PNG_INPUT} (exit ${status}):\n${out}${err}")
  endif()
  file(READ ${dir}/out.bmp signature LIMIT 2 HEX)
  if(NOT signature STREQUAL "424d")
    message(FATAL_ERROR "${dir}/out.bmp is no BMP file")
  endif()
  file(SIZE ${dir}/out.bmp size_${bits})
endforeach()
# One picture, one result, whichever helper decoded it.
if(NOT size_32 EQUAL size_64)
  message(FATAL_ERROR "the results differ in size: ${size_32} and ${size_64} bytes")
endif()
