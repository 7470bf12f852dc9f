# Checks the Windows binaries as Explorer and the loader read them: each has a version resource
# whose strings name the product, the file and the project's version; each program has the
# application manifest (supported systems 7 to 11, common controls 6, long paths) without DPI
# awareness or a process code page; and no PE header carries a link time.
#   cmake -D "FILES=<file>|<exe or dll>;..." -D VERSION=<x.y.z> -P windows_resources.cmake

# `text` as the hex digits of its UTF-16LE form (ASCII only), as version strings are stored.
function(utf16_hex out text)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
  set(${out} ${hex} PARENT_SCOPE)
endfunction()

function(expect_bytes file content hex present what)
  string(FIND "${content}" "${hex}" at)
  if(present AND at EQUAL -1)
    message(FATAL_ERROR "${file}: no ${what}")
  elseif(NOT present AND NOT at EQUAL -1)
    message(FATAL_ERROR "${file}: has ${what}")
  endif()
endfunction()

set(manifest_parts
  "35138b9a-5d96-4fbd-8e2d-a2440225f93a|Windows 7 entry"
  "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38|Windows 8 entry"
  "1f676c76-80e1-4239-95bb-83d0f6d0da78|Windows 8.1 entry"
  "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a|Windows 10 and 11 entry"
  "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"|common controls 6"
  "WindowsSettings\">true</longPathAware>|longPathAware")
set(manifest_absent dpiAware dpiAwareness activeCodePage)

foreach(entry IN LISTS FILES)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 file)
  list(GET entry 1 kind)
  file(READ ${file} content HEX)
  get_filename_component(name ${file} NAME)
  foreach(field IN ITEMS "ProductName|Tintsight" "FileVersion|${VERSION}"
                         "ProductVersion|${VERSION}" "OriginalFilename|${name}"
                         "LegalCopyright|Copyright (C) ")
    string(REPLACE "|" ";" field "${field}")
    list(GET field 0 key)
    list(GET field 1 value)
    # The key, its terminator, padding to 4 bytes, then the value.
    utf16_hex(key_hex "${key}")
    utf16_hex(value_hex "${value}")
    string(REGEX MATCH "${key_hex}0000(0000)?${value_hex}" found "${content}")
    if(NOT found)
      message(FATAL_ERROR "${file}: the version resource has no ${key} \"${value}...\"")
    endif()
  endforeach()
  foreach(part IN LISTS manifest_parts)
    string(REPLACE "|" ";" part "${part}")
    list(GET part 0 text)
    list(GET part 1 what)
    string(HEX "${text}" hex)
    if(kind STREQUAL "exe")
      expect_bytes(${file} "${content}" ${hex} TRUE "manifest: ${what}")
    endif()
  endforeach()
  foreach(text IN LISTS manifest_absent)
    string(HEX "<${text}" hex)
    expect_bytes(${file} "${content}" ${hex} FALSE "manifest: ${text}")
  endforeach()
  # The PE header's offset stands at 0x3C; TimeDateStamp 8 bytes after the "PE\0\0" mark.
  file(READ ${file} offset_hex OFFSET 60 LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "0x\\4\\3\\2\\1" offset_hex ${offset_hex})
  math(EXPR at "${offset_hex} + 8")
  file(READ ${file} stamp OFFSET ${at} LIMIT 4 HEX)
  if(NOT stamp STREQUAL "00000000")
    message(FATAL_ERROR "${file}: the PE header carries a link time (${stamp})")
  endif()
  message(STATUS "${file}: version ${VERSION}, ${kind} resources as expected")
endforeach()
