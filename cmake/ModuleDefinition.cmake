# cmake -DIN=linker.def -DOUT=Tarnix.def -DDLL=Tarnix.dll -P ModuleDefinition.cmake
#
# Tarnix.def from the .def the linker wrote: the DLL's name on top (lib.exe
# takes it from there), and for a 32-bit DLL linked with --kill-at each
# export by its decorated name alone ("e_eval@12", not "e_eval = e_eval@12"),
# as both dlltool -k and lib.exe read it: the symbol that programs compiled
# with tarnix.h ask for, imported by the plain name that the DLL exports.
file(STRINGS ${IN} lines)
set(text "LIBRARY ${DLL}\n")
foreach(line IN LISTS lines)
  if(line MATCHES "^LIBRARY")
    continue()
  elseif(line MATCHES "^([ \t]+)[A-Za-z_0-9]+ = ([A-Za-z_0-9]+@[0-9]+)(.*)$")
    string(APPEND text "${CMAKE_MATCH_1}${CMAKE_MATCH_2}${CMAKE_MATCH_3}\n")
  else()
    string(APPEND text "${line}\n")
  endif()
endforeach()
file(WRITE ${OUT} "${text}")
