# One version for everything we build, taken from the project() line, and the commit the build
# comes from. The header ts_version.h is written at build time (cmake/version_header.cmake) into
# the build tree's generated/ folder; code and Windows resources include it from there.
#
# ts_add_version_info(TARGET "description" [MANIFEST]) gives a Windows binary a version resource
# (product, file description, version, copyright line, as Explorer's Properties shows them) and,
# with MANIFEST, the application manifest. Elsewhere it does nothing.

set(TS_COPYRIGHT "Copyright (C) 2026 Tintsight developers")
set(TS_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(TS_VERSION_HEADER ${TS_GENERATED_DIR}/ts_version.h)

add_custom_target(ts_version_header
  COMMAND ${CMAKE_COMMAND} -D SOURCE_DIR=${PROJECT_SOURCE_DIR} -D OUTPUT=${TS_VERSION_HEADER}
          -D VERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/version_header.cmake
  BYPRODUCTS ${TS_VERSION_HEADER}
  COMMENT "Version header"
  VERBATIM)

# Built paths leave the binaries: the same commit built in another folder makes the same bytes.
target_compile_options(ts_options INTERFACE
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
  -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
if(WIN32)
  # The PE header's time stamp would be the link time.
  target_link_options(ts_options INTERFACE -Wl,--no-insert-timestamp)
  enable_language(RC)
endif()

set(ts_version_list_dir ${CMAKE_CURRENT_LIST_DIR})

function(ts_add_version_info target description)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(V "MANIFEST" "" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(TS_RC_FILE_TYPE VFT_APP)
  else()
    set(TS_RC_FILE_TYPE VFT_DLL)
  endif()
  set(TS_RC_DESCRIPTION "${description}")
  set(TS_RC_TARGET ${target})
  set(TS_RC_MANIFEST "")
  if(V_MANIFEST)
    string(REPLACE "." ";" numbers "${PROJECT_VERSION}.0.0.0")
    list(SUBLIST numbers 0 4 numbers)
    list(JOIN numbers "." TS_MANIFEST_VERSION)
    set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
    configure_file(${ts_version_list_dir}/app.manifest.in ${manifest} @ONLY)
    # CREATEPROCESS_MANIFEST_RESOURCE_ID (1) of type RT_MANIFEST (24).
    set(TS_RC_MANIFEST "1 24 \"${manifest}\"")
  endif()
  configure_file(${ts_version_list_dir}/version_info.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc.in @ONLY)
  file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc
       INPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc.in)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc TARGET_DIRECTORY ${target}
               APPEND PROPERTY OBJECT_DEPENDS ${TS_VERSION_HEADER} ${manifest})
  target_include_directories(${target} PRIVATE ${TS_GENERATED_DIR})
  add_dependencies(${target} ts_version_header)
endfunction()
