# 32-bit Windows with Debian's mingw-w64 cross compiler; programs built here
# run under Wine (ctest, test discovery).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARNIX_MINGW_TRIPLET i686-w64-mingw32)
# SSE2 arithmetic, as Windows compilers do it: x87's wider registers would
# keep some overflowing results (171!) finite. Callers of a 32-bit DLL may
# enter with the stack aligned to 4 bytes only.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
