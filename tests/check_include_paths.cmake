# Every include folder of the build lies below the source tree's src/, tests/ or the build folder:
# the file system's root or the repository itself as an include folder would let any file include
# anything (a formatter once split "${PROJECT_SOURCE_DIR}/src" into "-I/" and the root).
file(READ "${COMMANDS}" commands)
string(REGEX MATCHALL " -I[^ \"]*" includes "${commands}")
list(REMOVE_DUPLICATES includes)
foreach(include IN LISTS includes)
  string(SUBSTRING "${include}" 3 -1 folder)
  if(folder STREQUAL "/" OR folder STREQUAL "${ROOT}" OR folder STREQUAL "${ROOT}/")
    message(FATAL_ERROR "the build includes ${folder}")
  endif()
endforeach()
list(LENGTH includes count)
message(STATUS "${count} include folders, none of them the root or the repository")
