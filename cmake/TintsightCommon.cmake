# Build settings shared by every target, and the helper that declares a test executable.

add_library(ts_options INTERFACE)
target_compile_options(ts_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror=switch
  -Werror=return-type)
target_compile_features(ts_options INTERFACE cxx_std_20)

if(WIN32)
  # Wide-char Win32 API everywhere; static runtime so that executables and plug-ins need no
  # DLL beside them.
  target_compile_definitions(ts_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                  _WIN32_WINNT=0x0601)
  target_link_options(ts_options INTERFACE -static -static-libgcc -static-libstdc++)
  # On 64-bit Windows a 32-bit program marked so gets 4 GB of address space instead of 2: room
  # for two 24-bit copies of a 100-megapixel photo and their drawing. (64-bit programs are
  # marked already.)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(ts_options INTERFACE -Wl,--large-address-aware)
  endif()
  # 32-bit Windows calls window procedures, hooks, timer callbacks and thread entry points, and
  # other compilers' plug-ins call our progress callback, with the stack aligned to 4 bytes only; the
  # compiler otherwise assumes 16 and spills SSE registers with aligned stores. Every function
  # assumes 4 and realigns its own frame where it needs more (bench/stack_realign_bench.sh
  # measures what that costs).
  option(TS_WIN32_ALIGN_STACK "Assume a 4-byte-aligned stack on entry to every function" ON)
  # (64-bit Windows always aligns to 16.)
  if(TS_WIN32_ALIGN_STACK AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_compile_options(ts_options INTERFACE -mincoming-stack-boundary=2)
  endif()
endif()

if(TS_SANITIZE)
  target_compile_options(ts_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                              -fno-sanitize-recover=all)
  target_link_options(ts_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32 AND CMAKE_CROSSCOMPILING)
  # GoogleTest from the sources Debian ships, built with the cross compiler.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# The Wine server fixture: every win32 test requires it, so that one wineserver stays up for the
# whole CTest run instead of a cold start per test executable.
if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR AND NOT TARGET ts_wine_fixture_defined)
  add_custom_target(ts_wine_fixture_defined)
  add_test(NAME wine_server_start COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-server.sh start)
  add_test(NAME wine_server_stop COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-server.sh stop)
  set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine)
  set(TS_TEST_FIXTURE wine)
endif()

# ts_add_test(NAME SOURCES ... LIBS ... [PROPERTIES ...])
# One GoogleTest executable; its tests are listed at test time so that Wine never runs during
# the build.
function(ts_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main ts_options)
  target_compile_definitions(${name} PRIVATE
    TS_SOURCE_DIR="${CMAKE_SOURCE_DIR}" TS_SHARED_DIR="${TS_SHARED_DIR}")
  set(props ${T_PROPERTIES})
  if(TS_TEST_FIXTURE)
    list(APPEND props FIXTURES_REQUIRED ${TS_TEST_FIXTURE})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300 ${props})
endfunction()

# Where the outside test corpora live: ../shared beside the checkout, unless given.
if(NOT DEFINED TS_SHARED_DIR)
  get_filename_component(TS_SHARED_DIR ${CMAKE_SOURCE_DIR}/../shared ABSOLUTE)
endif()
