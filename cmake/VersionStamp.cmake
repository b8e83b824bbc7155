# tarnix_version_stamp(target [DESCRIPTION text]): embeds the project version
# (major.minor.release.build) in the target's binary, where DisplayVerInfo
# finds it: a stamp in the file on Linux, the VERSIONINFO resource on
# Windows (what Windows itself shows as the file's version).
set(TARNIX_VERSION_STAMP_SOURCE ${PROJECT_BINARY_DIR}/version_stamp.c)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version_stamp.c.in ${TARNIX_VERSION_STAMP_SOURCE} @ONLY)
set(TARNIX_VERSION_RC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

function(tarnix_version_stamp target)
  cmake_parse_arguments(PARSE_ARGV 1 stamp "" "DESCRIPTION" "")
  if(NOT WIN32)
    target_sources(${target} PRIVATE ${TARNIX_VERSION_STAMP_SOURCE})
    return()
  endif()
  if(NOT stamp_DESCRIPTION)
    set(stamp_DESCRIPTION "${PROJECT_NAME} ${target}")
  endif()
  # @...@ here, then the file name and type of the target at generation.
  set(TARNIX_RC_TARGET ${target})
  set(TARNIX_RC_DESCRIPTION "${stamp_DESCRIPTION}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${TARNIX_VERSION_RC_TEMPLATE} ${rc}.in @ONLY)
  file(GENERATE OUTPUT ${rc} INPUT ${rc}.in)
  target_sources(${target} PRIVATE ${rc})
endfunction()
