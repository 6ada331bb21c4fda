# Packs the Windows program for release: OUTPUT, a zip with QEL.EXE at its
# root (whatever case the linker gave the name) and README as LEGGIMI.txt.
# Run with cmake -P, given QEL_EXE, README and OUTPUT.
foreach(var QEL_EXE README OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "WindowsZip.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT EXISTS "${QEL_EXE}")
  message(FATAL_ERROR "No program at ${QEL_EXE}: build the windows preset first")
endif()

get_filename_component(outputDir "${OUTPUT}" DIRECTORY)
set(staging "${OUTPUT}.staging")
file(REMOVE_RECURSE "${staging}")
file(MAKE_DIRECTORY "${staging}" "${outputDir}")

get_filename_component(exeName "${QEL_EXE}" NAME)
file(COPY "${QEL_EXE}" DESTINATION "${staging}")
if(NOT exeName STREQUAL "QEL.EXE")
  file(RENAME "${staging}/${exeName}" "${staging}/QEL.EXE")
endif()
# Notepad wants CRLF line ends; the byte order mark makes it read the
# accented letters as UTF-8 rather than the ANSI code page.
file(READ "${README}" text)
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 bom)
file(WRITE "${staging}/LEGGIMI.txt" "${bom}${text}")

# Packed by make_zip.py: fixed times, order and modes, so the same program
# gives the same zip (cmake -E tar stores the files' own times and owner).
find_program(PYTHON3 python3 REQUIRED)
execute_process(
  COMMAND "${PYTHON3}" "${CMAKE_CURRENT_LIST_DIR}/make_zip.py" "${OUTPUT}" "${staging}"
  RESULT_VARIABLE result)
file(REMOVE_RECURSE "${staging}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Packing ${OUTPUT} failed: ${result}")
endif()
message(STATUS "Wrote ${OUTPUT}")
