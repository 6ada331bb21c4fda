# Linux: our dialog manager on FLTK 1.3, reading the same compiled resource
# script as Windows.
find_library(FLTK_LIBRARY NAMES fltk REQUIRED)
find_path(FLTK_INCLUDE_DIR FL/Fl.H REQUIRED)
find_package(X11 REQUIRED)
find_package(PkgConfig REQUIRED)
# libdbus for the session bus: whether a screen reader runs, and how the
# desktop looks (the settings portal).
pkg_check_modules(QEL_DBUS REQUIRED IMPORTED_TARGET dbus-1)
# fontconfig, which FLTK's fonts come through, to have it read its
# configuration on a thread of its own as the program starts.
pkg_check_modules(QEL_FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
find_package(Threads REQUIRED)

include(cmake/Resources.cmake)

set(FLTK_DIR ${CMAKE_SOURCE_DIR}/src/platform/fltk)

add_library(qel_platform STATIC
  ${QEL_DIALOG_SOURCES}
  ${FLTK_DIR}/accessibility.cpp
  ${FLTK_DIR}/dialog.cpp
  ${FLTK_DIR}/edit.cpp
  ${FLTK_DIR}/edit_menu.cpp
  ${FLTK_DIR}/font_configuration.cpp
  ${FLTK_DIR}/button.cpp
  ${FLTK_DIR}/static.cpp
  ${FLTK_DIR}/icon.cpp
  ${FLTK_DIR}/input_method.cpp
  ${FLTK_DIR}/popup_menu.cpp
  ${FLTK_DIR}/screen_reader_watch.cpp
  ${FLTK_DIR}/session_bus.cpp
  ${FLTK_DIR}/settings_portal.cpp
  ${FLTK_DIR}/system_colors.cpp
  ${FLTK_DIR}/x11_window.cpp)
target_include_directories(qel_platform PUBLIC ${FLTK_DIR} ${QEL_DIALOG_DIR} PRIVATE ${FLTK_INCLUDE_DIR})
target_link_libraries(qel_platform PUBLIC qel_common ${FLTK_LIBRARY} X11::X11 ${CMAKE_DL_LIBS}
                      PRIVATE PkgConfig::QEL_DBUS PkgConfig::QEL_FONTCONFIG Threads::Threads)

add_executable(qel
  src/qel.cpp
  ${FLTK_DIR}/startup.cpp
  ${CMAKE_BINARY_DIR}/qel_resources.cpp)
target_include_directories(qel PRIVATE src res ${QEL_PLATFORM_INCLUDE_DIRS})
target_link_libraries(qel PRIVATE qel_core qel_platform)
install(TARGETS qel RUNTIME DESTINATION bin)

# The accessibility plug-in: ATK objects for our dialogs and the AT-SPI
# bridge, loaded with dlopen only when a screen reader may be listening, so
# the program itself links none of it. It shares the program's FLTK, which
# must therefore be the shared library.
pkg_check_modules(QEL_ATK QUIET IMPORTED_TARGET atk atk-bridge-2.0)
if(QEL_ATK_FOUND)
  add_library(qel_accessibility MODULE
    ${FLTK_DIR}/atk/plugin.cpp
    ${FLTK_DIR}/atk/tree.cpp
    ${FLTK_DIR}/atk/text.cpp
    ${FLTK_DIR}/atk/action.cpp
    ${FLTK_DIR}/atk/menu.cpp
    ${FLTK_DIR}/atk/events.cpp
    ${FLTK_DIR}/atk/glib_loop.cpp)
  set_target_properties(qel_accessibility PROPERTIES
    PREFIX "" OUTPUT_NAME qel-accessibility
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    CXX_VISIBILITY_PRESET hidden)
  # Neither the dialog manager's folder nor the Win32 subset's: the plug-in
  # sees the program only through ../accessibility.h, and a header that
  # would show it the manager's structs does not compile here.
  target_include_directories(qel_accessibility PRIVATE ${FLTK_INCLUDE_DIR})
  target_link_libraries(qel_accessibility PRIVATE PkgConfig::QEL_ATK ${FLTK_LIBRARY} X11::X11)
  # The program exports nothing: a call into its code would only fail when
  # loaded. Everything it offers comes through the tables in accessibility.h.
  target_link_options(qel_accessibility PRIVATE -Wl,--no-undefined)
  add_dependencies(qel qel_accessibility)
  # Looked for beside the program, then in ../lib/qel/plugins from it. Not
  # directly in lib/qel: CPack would take it for a shared library and make
  # the package run ldconfig.
  install(TARGETS qel_accessibility LIBRARY DESTINATION lib/qel/plugins)
else()
  message(STATUS "Accessibility plug-in skipped: ATK and atk-bridge development files not found")
endif()
