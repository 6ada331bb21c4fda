# Windows: the program talks to USER32 itself. QEL.EXE is linked statically
# so that it needs only the system's own DLLs, and built for size.
enable_language(RC)

set(WIN32_DIR ${CMAKE_SOURCE_DIR}/src/platform/win32)

# libstdc++'s os_defines.h switches every C++ unit to MinGW's own printf
# family, which would more than double the program's size; reading
# <stdio.h> first with the switch off keeps msvcrt's snprintf.
set(QEL_WIN32_CXX_OPTIONS
  -Os -ffunction-sections -fdata-sections
  -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-threadsafe-statics
  -D__USE_MINGW_ANSI_STDIO=0 -include stdio.h)
target_compile_options(qel_core PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${QEL_WIN32_CXX_OPTIONS}>)

add_executable(qel WIN32
  src/qel.cpp
  ${WIN32_DIR}/keyboard.cpp
  ${WIN32_DIR}/common_controls.cpp
  ${WIN32_DIR}/field_names.cpp
  ${WIN32_DIR}/input_scope.cpp
  ${WIN32_DIR}/runtime.cpp
  # The label rule of every dialog manager, and the template reader it needs.
  src/platform/common/dialog_template.cpp
  src/platform/common/byte_reader.cpp
  res/qel.rc)
set_target_properties(qel PROPERTIES OUTPUT_NAME QEL SUFFIX .EXE)
# windres reads the icon and the headers too; make does not know that.
file(GLOB QEL_RES_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*)
set_source_files_properties(res/qel.rc PROPERTIES OBJECT_DEPENDS "${QEL_RES_INPUTS};${WIN32_DIR}/win32.h"
  # The application manifest goes into QEL.EXE only.
  COMPILE_DEFINITIONS QEL_APPLICATION_MANIFEST)
target_include_directories(qel PRIVATE src res ${WIN32_DIR})
set_source_files_properties(${WIN32_DIR}/field_names.cpp PROPERTIES
  INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/src/platform/common)
# std::string's members are otherwise taken from libstdc++'s own copy, which
# is built with exceptions; with its assertions on, each unit compiles its
# own, without them (runtime.cpp says why that matters).
set_source_files_properties(${WIN32_DIR}/field_names.cpp src/platform/common/dialog_template.cpp
  src/platform/common/byte_reader.cpp PROPERTIES COMPILE_DEFINITIONS _GLIBCXX_ASSERTIONS)
target_compile_options(qel PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${QEL_WIN32_CXX_OPTIONS}>)
# No link time in the PE header (nor so in its checksum): one commit, one
# QEL.EXE, whatever day or folder it is built in.
target_link_options(qel PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections
                    -Wl,--no-insert-timestamp)
target_link_libraries(qel PRIVATE qel_core)
install(TARGETS qel RUNTIME DESTINATION bin)
