# Checks QEL.EXE as a file: a 32-bit GUI program that needs only system DLLs
# and carries its resources. Run with -DEXE= -DOBJDUMP= -DREADOBJ= -P.
cmake_minimum_required(VERSION 3.20)

set(failures "")
macro(fail message)
  list(APPEND failures "${message}")
endmacro()

execute_process(COMMAND ${OBJDUMP} -f -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} cannot read ${EXE}")
endif()

string(REGEX MATCH "file format [^\n]*" format "${headers}")
if(NOT format STREQUAL "file format pei-i386")
  fail("not an i386 program: ${format}")
endif()
string(REGEX MATCH "Magic[ \t]+[0-9a-f]+" magic "${headers}")
if(NOT magic MATCHES "010b$")
  fail("optional header is not PE32: ${magic}")
endif()
string(REGEX MATCH "Subsystem[ \t]+[0-9a-f]+" subsystem "${headers}")
if(NOT subsystem MATCHES "[ \t]0+2$")
  fail("not a Windows GUI program: ${subsystem}")
endif()

# Statically linked run-time: nothing to ship beside the program.
set(system_dlls kernel32.dll user32.dll msvcrt.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
string(REPLACE "DLL Name: " "" imports "${imports}")
if(NOT imports)
  fail("no import table")
endif()
foreach(import IN LISTS imports)
  string(TOLOWER "${import}" dll)
  if(NOT dll IN_LIST system_dlls)
    fail("imports a DLL that Windows does not ship: ${dll}")
  endif()
endforeach()

# A regression to MinGW's own printf family alone more than doubles it.
file(SIZE ${EXE} size)
if(size GREATER 32768)
  fail("QEL.EXE has grown to ${size} bytes")
endif()

# Type, then name, as llvm-readobj prints them.
execute_process(COMMAND ${READOBJ} --coff-resources ${EXE} OUTPUT_VARIABLE resources)
set(expected_resources
  "DIALOG (ID 5)|(ID 100)"
  "DIALOG (ID 5)|(ID 101)"
  "GROUP_ICON (ID 14)|IDI_ICONBG"
  "VERSIONINFO (ID 16)|(ID 1)")
foreach(entry IN LISTS expected_resources)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 type)
  list(GET parts 1 name)
  string(FIND "${resources}" "Type: ${type}" type_at)
  set(found FALSE)
  if(type_at GREATER_EQUAL 0)
    string(SUBSTRING "${resources}" ${type_at} -1 rest)
    string(FIND "${rest}" "\n  Type: " next_type)  # the next type at the same depth
    if(next_type GREATER 0)
      string(SUBSTRING "${rest}" 0 ${next_type} rest)
    endif()
    string(FIND "${rest}" "Name: ${name} [" name_at)
    if(name_at GREATER_EQUAL 0)
      set(found TRUE)
    endif()
  endif()
  if(NOT found)
    fail("resource ${name} of type ${type} is missing")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${EXE}:\n  ${text}")
endif()
list(JOIN imports ", " imports)
message(STATUS "${EXE}: PE32 GUI program of ${size} bytes, importing ${imports}")
