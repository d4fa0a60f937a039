# Each source folder's CMakeLists.txt includes the *.cmake fragments beside it, one fragment
# per target (or per group of tests), so a target's sources are listed in one small file.
macro(sio_include_fragments)
  file(GLOB _fragments CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cmake")
  list(SORT _fragments)
  foreach(_f IN LISTS _fragments)
    include(${_f})
  endforeach()
endmacro()
