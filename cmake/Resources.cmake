# What our own platform units share: the resource script compiled to a .res
# file and linked into the program as bytes, and the platform-free code that
# reads it (resource lookup, dialog templates, icon decoding).
set(QEL_COMMON_DIR ${CMAKE_SOURCE_DIR}/src/platform/common)

# Compiled resources: llvm-rc (preprocessing through clang) or windres.
find_program(QEL_RC NAMES llvm-rc llvm-rc-16 llvm-rc-15 llvm-rc-14)
set(QEL_RES ${CMAKE_BINARY_DIR}/qel.res)
file(GLOB QEL_RES_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*)
if(QEL_RC)
  # llvm-rc reads any argument starting with '/' as an option, so an input
  # path such as /check/... would parse as "/C heck/..."; "--" ends the options.
  set(QEL_RC_COMMAND ${QEL_RC} /I ${CMAKE_SOURCE_DIR}/res /I ${QEL_COMMON_DIR}
      /FO ${QEL_RES} -- ${CMAKE_SOURCE_DIR}/res/qel.rc)
else()
  find_program(QEL_WINDRES NAMES windres x86_64-w64-mingw32-windres i686-w64-mingw32-windres REQUIRED)
  set(QEL_RC_COMMAND ${QEL_WINDRES} -I ${CMAKE_SOURCE_DIR}/res -I ${QEL_COMMON_DIR}
      -O res -o ${QEL_RES} ${CMAKE_SOURCE_DIR}/res/qel.rc)
endif()
add_custom_command(OUTPUT ${QEL_RES}
  COMMAND ${QEL_RC_COMMAND}
  DEPENDS ${QEL_RES_INPUTS} ${QEL_COMMON_DIR}/win32.h
  COMMENT "Compiling res/qel.rc")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/qel_resources.cpp
  COMMAND ${CMAKE_COMMAND} -DINPUT=${QEL_RES} -DOUTPUT=${CMAKE_BINARY_DIR}/qel_resources.cpp
          -DSYMBOL=kProgramResources -P ${CMAKE_SOURCE_DIR}/cmake/EmbedFile.cmake
  DEPENDS ${QEL_RES} ${CMAKE_SOURCE_DIR}/cmake/EmbedFile.cmake)
add_custom_target(qel_res DEPENDS ${QEL_RES})

# Reading compiled resources, dialog templates and icons: no platform needed.
add_library(qel_common STATIC
  ${QEL_COMMON_DIR}/byte_reader.cpp
  ${QEL_COMMON_DIR}/resources.cpp
  ${QEL_COMMON_DIR}/dialog_template.cpp
  ${QEL_COMMON_DIR}/icon_pixels.cpp)
target_include_directories(qel_common PUBLIC ${QEL_COMMON_DIR})

# The dialog manager of the units that have no USER32: USER32's rules,
# compiled into each such unit beside the backend it calls (backend.h).
set(QEL_DIALOG_DIR ${CMAKE_SOURCE_DIR}/src/platform/dialog)
set(QEL_DIALOG_SOURCES
  ${QEL_DIALOG_DIR}/dialog_manager.cpp
  ${QEL_DIALOG_DIR}/dialog_message.cpp
  ${QEL_DIALOG_DIR}/edit_control.cpp
  ${QEL_DIALOG_DIR}/edit_rule.cpp
  ${QEL_DIALOG_DIR}/edit_state.cpp
  ${QEL_DIALOG_DIR}/input.cpp)
