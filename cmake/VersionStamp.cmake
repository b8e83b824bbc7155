# tarnix_version_stamp(target): embeds the project version
# (major.minor.release.build) in the target's binary, where DisplayVerInfo
# finds it.
set(TARNIX_VERSION_STAMP_SOURCE ${PROJECT_BINARY_DIR}/version_stamp.c)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version_stamp.c.in ${TARNIX_VERSION_STAMP_SOURCE} @ONLY)

function(tarnix_version_stamp target)
  target_sources(${target} PRIVATE ${TARNIX_VERSION_STAMP_SOURCE})
endfunction()
