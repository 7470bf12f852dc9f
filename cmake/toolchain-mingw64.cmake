# Cross build for 64-bit Windows: the same Windows code, tested under 64-bit Wine on machines
# that cannot run 32-bit programs.
set(ts_mingw_arch x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
