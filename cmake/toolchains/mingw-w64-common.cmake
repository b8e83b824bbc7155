# What both mingw-w64 toolchains share; TARNIX_MINGW_TRIPLET names the target.
# The compilers of the posix thread model: GoogleTest needs std::mutex,
# which GCC 12 has only there. Its thread library (winpthread) is linked in
# statically like the rest of the GCC runtime.
set(CMAKE_C_COMPILER ${TARNIX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNIX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNIX_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${TARNIX_MINGW_TRIPLET}-dlltool)
set(CMAKE_OBJDUMP ${TARNIX_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNIX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs carry the GCC runtime, so that they need no DLL of the compiler's
# beside them (nor Wine a path to one).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs and test discovery run through Wine, in a prefix of the
# build tree that the wrapper prepares on first use.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
