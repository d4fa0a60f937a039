# project_version: an interface target giving "ProjectVersion.h" (kProjectVersion) to the
# programs that answer --version.  The header is regenerated at every build, so a new commit or
# an edited file shows in the next build's version; it changes on disk only when the text does.
set(SIO_VERSION_HEADER ${PROJECT_BINARY_DIR}/generated/include/ProjectVersion.h)
add_custom_target(project_version_header
  COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DOUTPUT=${SIO_VERSION_HEADER} -P ${PROJECT_SOURCE_DIR}/cmake/GenerateVersion.cmake
  BYPRODUCTS ${SIO_VERSION_HEADER}
  VERBATIM)
add_library(project_version INTERFACE)
target_include_directories(project_version INTERFACE ${PROJECT_BINARY_DIR}/generated/include)
add_dependencies(project_version project_version_header)
