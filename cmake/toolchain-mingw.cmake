# Cross build for Windows with mingw-w64, included by the 32- and 64-bit toolchain files once
# they have set `ts_mingw_arch` (posix thread flavour: std::mutex needs it). Tests run under
# Wine through CTest's emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ts_mingw_arch})
set(CMAKE_C_COMPILER ${ts_mingw_arch}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${ts_mingw_arch}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${ts_mingw_arch}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ts_mingw_arch}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
