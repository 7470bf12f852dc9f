# Run by CPack after it packed: writes each ZIP archive again with its entries in sorted order,
# since CPack adds them in the order the file system lists the staged folder, which differs
# between file systems. The staged files carry the commit's time already
# (package_times.cmake); folders are left for unzip to make.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.zip$")
    continue()
  endif()
  get_filename_component(parent ${CPACK_TEMPORARY_DIRECTORY} DIRECTORY)
  file(GLOB_RECURSE files RELATIVE ${parent} "${CPACK_TEMPORARY_DIRECTORY}/*")
  list(SORT files)
  list(JOIN files "\n" listing)
  file(WRITE ${parent}/sorted-entries.txt "${listing}\n")
  file(REMOVE ${package})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${package} --format=zip
                          --files-from=${parent}/sorted-entries.txt
                  WORKING_DIRECTORY ${parent} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not write ${package} again in sorted order")
  endif()
endforeach()
