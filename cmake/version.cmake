# The one place of the version: project(VERSION) as MAJOR.MINOR with two
# digits of minor, the way the dialog's caption shows it ("Ver. 1.02").
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9][0-9]$")
  message(FATAL_ERROR "project(VERSION ${PROJECT_VERSION}): write it as MAJOR.MINOR with two digits of minor, e.g. 1.02")
endif()
# "02" as the number 2, never an octal literal in C.
math(EXPR QV_VERSION_MAJOR "${PROJECT_VERSION_MAJOR}")
math(EXPR QV_VERSION_MINOR "${PROJECT_VERSION_MINOR}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${CMAKE_BINARY_DIR}/generated/version/Version.h @ONLY)

add_library(qv_version INTERFACE)
target_include_directories(qv_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
