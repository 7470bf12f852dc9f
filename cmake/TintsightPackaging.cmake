# What a user installs, and the packages that hold it (`cmake --build --preset P --target
# package`):
#   Windows: tintsight-<version>-win32.zip (or -win64.zip), unpacked as one folder that holds the
#     programs, the plug-in helper(s), the bundled plug-in, README.txt, LICENSE.txt,
#     THIRD-PARTY.txt and the Wine font settings; text files in CR LF. The 32-bit archive holds
#     SusiePlugin/tsimage.spi and one helper; the 64-bit one holds the 64-bit helper, the 32-bit
#     helper (tintsight-plugin-host32.exe, for the user's own 32-bit *.spi) and the bundled
#     plug-in as the 64-bit module it is, SusiePlugin/tsimage.sph. Not the 32-bit tsimage.spi as
#     well: it reads nothing the .sph does not (which is asked first), and would start the 32-bit
#     helper at every start only to describe itself.
#   Linux: tintsight-cli_<version>_<arch>.deb: /usr/bin/tintsight-cli, the helper and
#     the bundled plug-in under /usr/lib/tintsight/, the manual page, the copyright file; its
#     dependencies are read from the binaries (dpkg-shlibdeps).
# Both are the same bytes from two builds of one commit in two folders: no build path or time
# reaches a binary (cmake/TintsightVersion.cmake), and every file in a package carries the
# commit's time (or SOURCE_DATE_EPOCH where it is set; cmake/package_config.cmake) in a fixed
# order.

# Sanitizer and fuzzing builds are for finding faults, not for users.
if(TS_SANITIZE OR TS_FUZZ)
  return()
endif()

set(ts_package_files ${CMAKE_BINARY_DIR}/package-files)
set(ts_packaging_dir ${PROJECT_SOURCE_DIR}/packaging)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(TS_WINDOWS_NAME win32)
  else()
    set(TS_WINDOWS_NAME win64)
  endif()
  install(TARGETS tintsight tintsight-cli RUNTIME DESTINATION .)
  if(TS_WINDOWS_NAME STREQUAL win64)
    set(TS_README_PLUGIN tsimage.sph)
    install(FILES $<TARGET_FILE:tsimage> DESTINATION SusiePlugin RENAME ${TS_README_PLUGIN})
  else()
    set(TS_README_PLUGIN tsimage.spi)
    install(TARGETS tsimage RUNTIME DESTINATION SusiePlugin LIBRARY DESTINATION SusiePlugin)
  endif()
  set(TS_README_HELPER_JA "")
  set(TS_README_HELPER_EN "")
  if(TARGET tintsight-plugin-host)
    ts_add_version_info(tintsight-plugin-host "Tintsight plug-in helper" MANIFEST)
    install(TARGETS tintsight-plugin-host RUNTIME DESTINATION .)
    set(TS_README_HELPER_JA "  tintsight-plugin-host.exe\n                         プラグインを別のプロセスで動かす補助プログラム\n")
    set(TS_README_HELPER_EN "  tintsight-plugin-host.exe\n                         the helper in which plug-ins run\n")
  endif()
  if(TS_HELPER32)
    install(PROGRAMS ${TS_HELPER32} DESTINATION .)
    string(APPEND TS_README_HELPER_JA "  tintsight-plugin-host32.exe\n                         32 ビットのプラグイン (*.spi) を動かす補助プログラム\n")
    string(APPEND TS_README_HELPER_EN "  tintsight-plugin-host32.exe\n                         the helper in which 32-bit plug-ins (*.spi) run\n")
  endif()

  configure_file(${ts_packaging_dir}/windows/README.txt.in ${ts_package_files}/README.txt.utf8
                 @ONLY)
  set(ts_windows_texts
      "${ts_package_files}/README.txt.utf8|README.txt|ON"
      "${PROJECT_SOURCE_DIR}/LICENSE|LICENSE.txt|OFF"
      "${ts_packaging_dir}/THIRD-PARTY.txt|THIRD-PARTY.txt|OFF")
  set(ts_outputs "")
  foreach(entry IN LISTS ts_windows_texts)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 source)
    list(GET entry 1 name)
    list(GET entry 2 bom)
    add_custom_command(OUTPUT ${ts_package_files}/${name}
      COMMAND ${CMAKE_COMMAND} -D INPUT=${source} -D OUTPUT=${ts_package_files}/${name}
              -D BOM=${bom} -P ${CMAKE_CURRENT_LIST_DIR}/windows_text.cmake
      DEPENDS ${source} ${CMAKE_CURRENT_LIST_DIR}/windows_text.cmake VERBATIM)
    list(APPEND ts_outputs ${ts_package_files}/${name})
  endforeach()
  add_custom_command(OUTPUT ${ts_package_files}/wine-japanese-fonts.reg
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-fonts-reg.sh
            ${ts_package_files}/wine-japanese-fonts.reg
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/wine-fonts-reg.sh VERBATIM)
  list(APPEND ts_outputs ${ts_package_files}/wine-japanese-fonts.reg)
  add_custom_target(ts_package_files ALL DEPENDS ${ts_outputs})
  install(FILES ${ts_outputs} DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tintsight-${PROJECT_VERSION}-${TS_WINDOWS_NAME})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  include(GNUInstallDirs)
  # lib/tintsight, not Debian's multiarch folder: the program looks for it relative to itself.
  set(ts_library_dir lib/tintsight)
  install(TARGETS tintsight-cli RUNTIME DESTINATION bin)
  install(TARGETS tsimage LIBRARY DESTINATION ${ts_library_dir}/SusiePlugin)
  if(TARGET tintsight-plugin-host)
    install(TARGETS tintsight-plugin-host RUNTIME DESTINATION ${ts_library_dir})
  endif()

  # The manual page from --help, and the Debian changelog, compressed without names or times.
  add_custom_command(OUTPUT ${ts_package_files}/tintsight-cli.1.gz
    COMMAND ${CMAKE_COMMAND} -D CLI=$<TARGET_FILE:tintsight-cli>
            -D OUTPUT=${ts_package_files}/tintsight-cli.1 -D VERSION=${PROJECT_VERSION}
            -P ${CMAKE_CURRENT_LIST_DIR}/man_page.cmake
    COMMAND gzip -9nf ${ts_package_files}/tintsight-cli.1
    DEPENDS tintsight-cli ${CMAKE_CURRENT_LIST_DIR}/man_page.cmake VERBATIM)
  add_custom_command(OUTPUT ${ts_package_files}/changelog.gz
    COMMAND gzip -9nc ${ts_packaging_dir}/debian/changelog > ${ts_package_files}/changelog.gz
    DEPENDS ${ts_packaging_dir}/debian/changelog)
  add_custom_target(ts_package_files ALL
    DEPENDS ${ts_package_files}/tintsight-cli.1.gz ${ts_package_files}/changelog.gz)
  install(FILES ${ts_package_files}/tintsight-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${ts_packaging_dir}/debian/copyright ${ts_package_files}/changelog.gz
          DESTINATION share/doc/tintsight-cli)

  file(STRINGS ${ts_packaging_dir}/debian/changelog ts_changelog_head LIMIT_COUNT 1)
  if(NOT ts_changelog_head MATCHES "^tintsight-cli \\(${PROJECT_VERSION}\\) ")
    message(WARNING "packaging/debian/changelog does not start with version ${PROJECT_VERSION}: "
                    "add the release's entry")
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME tintsight-cli)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(TS_PACKAGE_MAINTAINER "Tintsight developers <tintsight@example.org>" CACHE STRING
      "The Maintainer field of the Debian package")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TS_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "take a colour primary away from pictures
tintsight-cli reads pictures (BMP directly; PNG, JPEG, GIF, TGA, PSD, PNM
and HDR through its bundled Susie import plug-in) and writes them as BMP or
PNG with one colour primary taken away, as seen with a colour-vision
deficiency, or as a contact sheet of every variant.")
endif()

# Everything the package holds, for a build that makes only the package (cpack runs the
# install rules without building).
add_custom_target(ts_package_contents)
add_dependencies(ts_package_contents tintsight-cli tsimage ts_package_files)
foreach(target IN ITEMS tintsight tintsight-plugin-host)
  if(TARGET ${target})
    add_dependencies(ts_package_contents ${target})
  endif()
endforeach()

set(CPACK_PACKAGE_NAME tintsight)
set(CPACK_PACKAGE_VENDOR "Tintsight developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_TS_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_times.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_sorted_zip.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_config.cmake)
include(CPack)
