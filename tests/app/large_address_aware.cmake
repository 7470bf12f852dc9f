# Checks that every executable named after the script
#   cmake -P large_address_aware.cmake EXE...
# is marked large-address-aware in its PE header: the flag 0x0020 of the file header's
# Characteristics. The names come as separate arguments, not as one -D list, whose separator a
# test command does not carry intact. No name, a file cut short or a file without a PE header is
# an error: the check never passes without having read a header.

# Reads `size` bytes at `offset` of `file` as a little-endian number into `out` ("0x..." form).
function(read_little_endian file offset size out)
  file(READ "${file}" hex OFFSET ${offset} LIMIT ${size} HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR wanted "2 * ${size}")
  if(NOT digits EQUAL wanted)
    message(FATAL_ERROR "${file}: cut short at offset ${offset}")
  endif()
  set(value "")
  math(EXPR last "${digits} - 2")
  foreach(at RANGE 0 ${last} 2)
    string(SUBSTRING "${hex}" ${at} 2 byte)
    set(value "${byte}${value}")
  endforeach()
  set(${out} "0x${value}" PARENT_SCOPE)
endfunction()

# The executables: every argument after the script's own name.
set(files "")
math(EXPR last "${CMAKE_ARGC} - 1")
set(script_at -1)
foreach(i RANGE ${last})
  if(script_at GREATER_EQUAL 0 AND i GREATER script_at)
    list(APPEND files "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} STREQUAL "-P")
    math(EXPR script_at "${i} + 1")
  endif()
endforeach()
if(files STREQUAL "")
  message(FATAL_ERROR "no executable named")
endif()

foreach(file IN LISTS files)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${file}: no such file")
  endif()
  # The PE header's offset stands at 0x3C; Characteristics 22 bytes after the "PE\0\0" mark.
  read_little_endian("${file}" 60 4 header)
  math(EXPR header "${header}")
  read_little_endian("${file}" ${header} 4 mark)
  if(NOT mark STREQUAL "0x00004550")
    message(FATAL_ERROR "${file}: no PE header")
  endif()
  math(EXPR at "${header} + 22")
  read_little_endian("${file}" ${at} 2 flags)
  math(EXPR aware "${flags} & 0x20")
  if(aware EQUAL 0)
    message(FATAL_ERROR "${file}: not large-address-aware (Characteristics ${flags})")
  endif()
  message(STATUS "${file}: large-address-aware (Characteristics ${flags})")
endforeach()
