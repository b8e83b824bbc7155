# The Windows side of the library target, included by library/CMakeLists.txt:
# Tarnix.dll with the plain export names that callers look up
# (GetProcAddress, Declare ... Lib "Tarnix.dll"), its import library
# Tarnix.lib and the module-definition file Tarnix.def.

set(TARNIX_DEF_FILE ${CMAKE_CURRENT_BINARY_DIR}/Tarnix.def)
set(linker_def ${CMAKE_CURRENT_BINARY_DIR}/Tarnix-linker.def)
set_target_properties(Tarnix PROPERTIES
  PREFIX ""
  IMPORT_PREFIX ""
  IMPORT_SUFFIX ".lib")
# The GCC runtime (libgcc, libstdc++ and the thread library they may pull
# in) goes into the DLL, so that it needs no DLL of the compiler's beside
# it, only Windows' own.
target_link_options(Tarnix PRIVATE
  -static
  -Wl,--output-def,${linker_def})
add_custom_command(TARGET Tarnix POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DIN=${linker_def} -DOUT=${TARNIX_DEF_FILE}
          -DDLL=$<TARGET_FILE_NAME:Tarnix> -P ${PROJECT_SOURCE_DIR}/cmake/ModuleDefinition.cmake
  BYPRODUCTS ${TARNIX_DEF_FILE}
  VERBATIM)
set_property(TARGET Tarnix APPEND PROPERTY ADDITIONAL_CLEAN_FILES ${linker_def})

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # 32-bit __stdcall names come out decorated (e_eval@12); --kill-at exports
  # them as callers name them (e_eval). The linker's import library would
  # then carry the plain names, which no program compiled with tarnix.h asks
  # for (it wants _e_eval@12): the import library is made again from the
  # decorated names of Tarnix.def, with -k giving the loader the plain ones.
  if(NOT CMAKE_DLLTOOL)
    find_program(CMAKE_DLLTOOL NAMES ${CMAKE_C_COMPILER_TARGET}-dlltool dlltool REQUIRED)
  endif()
  target_link_options(Tarnix PRIVATE -Wl,--kill-at)
  add_custom_command(TARGET Tarnix POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} -k -d ${TARNIX_DEF_FILE} -D $<TARGET_FILE_NAME:Tarnix>
            -l $<TARGET_LINKER_FILE:Tarnix>
    VERBATIM)
endif()

# A flat folder, zipped as it is by scripts/package-windows.sh.
install(TARGETS Tarnix RUNTIME DESTINATION . ARCHIVE DESTINATION . COMPONENT library)
install(FILES include/tarnix.h ${TARNIX_DEF_FILE} DESTINATION . COMPONENT library)
