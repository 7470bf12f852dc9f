# Writes the version header at build time, so that a new commit shows without a new configure.
# The file is rewritten only when its text changes, so nothing is rebuilt for nothing.
#   cmake -D SOURCE_DIR=<checkout> -D OUTPUT=<header> -D VERSION=<x.y.z> -P version_header.cmake
# The commit is the checkout's HEAD where the sources are a git checkout; a checkout with
# changes not committed is marked "-modified", since no commit holds what was built.
set(commit "")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE head RESULT_VARIABLE status ERROR_QUIET
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(status EQUAL 0 AND head)
    set(commit ${head})
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} status --porcelain
                            --untracked-files=no
                    OUTPUT_VARIABLE changes ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(changes)
      string(APPEND commit "-modified")
    endif()
  endif()
endif()

string(REPLACE "." ";" parts "${VERSION}.0.0.0")
list(SUBLIST parts 0 4 parts)
list(JOIN parts "," comma_version)
if(commit)
  set(text "${VERSION} (commit ${commit})")
else()
  set(text "${VERSION}")
endif()

set(content "// Made by cmake/version_header.cmake at build time; not to be edited.
#pragma once
#define TS_VERSION \"${VERSION}\"
#define TS_VERSION_NUMBERS ${comma_version}
#define TS_COMMIT \"${commit}\"
#define TS_VERSION_TEXT \"${text}\"
")
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL content)
  file(WRITE ${OUTPUT} "${content}")
endif()
