# Run by cpack on the staged tree before packing: the run path the build
# tree needs ($ORIGIN) is dropped from every program and library, since the
# package puts its libraries where the loader looks anyway.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/usr/*")
foreach(f IN LISTS staged)
  if(IS_SYMLINK "${f}")
    continue()
  endif()
  file(READ "${f}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    file(RPATH_REMOVE FILE "${f}")
  endif()
endforeach()
