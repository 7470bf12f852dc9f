# Cross build for 32-bit Windows, the program's target.
set(ts_mingw_arch i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
