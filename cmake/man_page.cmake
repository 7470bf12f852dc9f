# Writes the manual page of tintsight-cli from what its --help prints, so that the two say the
# same: the usage lines become the synopsis, the text before the options the description, each
# option (two spaces, the option, its text from column 21 on) an entry, and "Exit status:" a
# section of its own.
#   cmake -D CLI=<tintsight-cli> -D OUTPUT=<page> -D VERSION=<x.y.z> -P man_page.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed (${status})")
endif()

# Text for roff: backslashes shown as such, dashes as the minus signs they are in options, and
# no line taken for a request.
function(roff_text out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(REPLACE ";" "\\;" help "${help}")
string(REGEX REPLACE "\n$" "" help "${help}")
string(REPLACE "\n" ";" lines "${help}")

set(synopsis "")
set(description "")
set(options "")
set(exit_status "")
set(part synopsis)
foreach(line IN LISTS lines)
  if(line MATCHES "^usage: (.*)$")
    roff_text(entry "${CMAKE_MATCH_1}")
    string(APPEND synopsis ".br\n${entry}\n")
  elseif(line MATCHES "^       (tintsight-cli .*)$")
    roff_text(entry "${CMAKE_MATCH_1}")
    string(APPEND synopsis ".br\n${entry}\n")
  elseif(part STREQUAL "synopsis" AND line MATCHES "^      +(.*)$")
    # A usage line's continuation.
    roff_text(entry "${CMAKE_MATCH_1}")
    string(APPEND synopsis "    ${entry}\n")
  elseif(line MATCHES "^Exit status: (.*)$")
    set(part exit_status)
    roff_text(entry "${CMAKE_MATCH_1}")
    string(APPEND exit_status "${entry}\n")
  elseif(line MATCHES "^  (-[^ ]*( [^ ]+)?) +(.*)$")
    set(part options)
    roff_text(option "${CMAKE_MATCH_1}")
    roff_text(entry "${CMAKE_MATCH_3}")
    string(APPEND options ".TP\n.B ${option}\n${entry}\n")
  elseif(line MATCHES "^ +(.*)$" AND part STREQUAL "options")
    roff_text(entry "${CMAKE_MATCH_1}")
    string(APPEND options "${entry}\n")
  else()
    if(part STREQUAL "synopsis")
      set(part description)
    endif()
    roff_text(entry "${line}")
    string(APPEND ${part} "${entry}\n")
  endif()
endforeach()
string(REGEX REPLACE "^\\.br\n" "" synopsis "${synopsis}")

file(WRITE ${OUTPUT} ".\\\" Made from tintsight-cli --help by cmake/man_page.cmake.
.TH TINTSIGHT-CLI 1 \"\" \"tintsight-cli ${VERSION}\" \"User Commands\"
.SH NAME
tintsight-cli \\- take a colour primary away from pictures, or show them as seen with a
colour-vision deficiency
.SH SYNOPSIS
.nf
${synopsis}.fi
.SH DESCRIPTION
${description}.SH OPTIONS
${options}.SH \"EXIT STATUS\"
${exit_status}")
