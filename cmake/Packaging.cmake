# Release artefacts. Linux: desktop integration (entry, icons, AppStream
# metainfo, manual page) under the install prefix and a .deb through CPack.
# Windows: the target qel_zip, a zip with QEL.EXE at its root.

# One application id names the desktop entry, the icons and the metainfo.
set(QEL_APP_ID io.github.qel.Qel)
set(QEL_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(QEL_PACKAGE_DIR ${CMAKE_BINARY_DIR} CACHE PATH "Where the release artefacts are written")

if(WIN32)
  set(QEL_ZIP ${QEL_PACKAGE_DIR}/qel-${PROJECT_VERSION}-win32.zip)
  add_custom_target(qel_zip
    COMMAND ${CMAKE_COMMAND} -DQEL_EXE=$<TARGET_FILE:qel>
            -DREADME=${QEL_PACKAGING_DIR}/LEGGIMI.txt -DOUTPUT=${QEL_ZIP}
            -P ${QEL_PACKAGING_DIR}/WindowsZip.cmake
    DEPENDS qel
    COMMENT "Packing ${QEL_ZIP}"
    VERBATIM)
  return()
endif()

include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(QEL_GENERATED ${CMAKE_BINARY_DIR}/packaging)

install(FILES ${QEL_PACKAGING_DIR}/${QEL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QEL_PACKAGING_DIR}/${QEL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: the 32x32 image of the program's own icon, and larger copies scaled
# by whole factors without smoothing, so the pixel art stays sharp.
set(QEL_ICON ${CMAKE_SOURCE_DIR}/res/qel.ico CACHE FILEPATH "Windows icon the desktop icons are made from")
set(QEL_ICON_SIZES 32 64 128 256)
find_program(QEL_ICOTOOL icotool)
find_program(QEL_IMAGEMAGICK NAMES magick convert-im6.q16 convert)
if(EXISTS ${QEL_ICON} AND QEL_ICOTOOL AND QEL_IMAGEMAGICK)
  set(extracted ${QEL_GENERATED}/qel-32-extracted.png)
  set(commands COMMAND ${QEL_ICOTOOL} -x --width=32 --height=32 -o ${extracted} ${QEL_ICON})
  set(outputs)
  foreach(size IN LISTS QEL_ICON_SIZES)
    set(png ${QEL_GENERATED}/icons/${size}x${size}/${QEL_APP_ID}.png)
    file(MAKE_DIRECTORY ${QEL_GENERATED}/icons/${size}x${size})
    # -strip and no date chunks: the same icon gives the same bytes.
    list(APPEND commands COMMAND ${QEL_IMAGEMAGICK} ${extracted} -sample ${size}x${size} -strip
         -define png:exclude-chunks=date,time PNG32:${png})
    list(APPEND outputs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_command(OUTPUT ${outputs} ${commands}
    DEPENDS ${QEL_ICON}
    COMMENT "Desktop icons from ${QEL_ICON}"
    VERBATIM)
  add_custom_target(qel_icons ALL DEPENDS ${outputs})
else()
  message(WARNING "Desktop icons left out: they need ${QEL_ICON}, icotool (icoutils) and convert (imagemagick)")
endif()

# Manual page and Debian's documentation files, compressed as Debian wants
# them: gzip -9 without name or time stamp.
set(QEL_MANPAGE ${QEL_GENERATED}/qel.1.gz)
set(QEL_CHANGELOG ${QEL_GENERATED}/changelog.gz)
add_custom_command(OUTPUT ${QEL_MANPAGE} ${QEL_CHANGELOG}
  COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${QEL_PACKAGING_DIR}/qel.1 ${QEL_MANPAGE}
  COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${QEL_PACKAGING_DIR}/changelog ${QEL_CHANGELOG}
  DEPENDS ${QEL_PACKAGING_DIR}/qel.1 ${QEL_PACKAGING_DIR}/changelog
  VERBATIM)
add_custom_target(qel_docs ALL DEPENDS ${QEL_MANPAGE} ${QEL_CHANGELOG})
install(FILES ${QEL_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Debian looks for them under the package's name, not the project's.
install(FILES ${QEL_PACKAGING_DIR}/copyright ${QEL_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qel)
set(CPACK_PACKAGE_VENDOR QEL)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QEL <qel@example.org>")
set(CPACK_PACKAGE_DIRECTORY ${QEL_PACKAGE_DIR})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "live converter between decimal, hexadecimal and octal")
set(CPACK_PACKAGE_DESCRIPTION
    "QEL is one small always-on-top dialog with three fields, decimal,
hexadecimal and octal. Whatever is typed into one field is converted at once
and written into the other two. A keystroke that would make the number
invalid or too large is taken back with a beep. Values range from 0 to
1073741823 (3FFFFFFF hexadecimal, 7777777777 octal).
.
The user interface is in Italian.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The tests unpack the artefacts and check what a desktop or Windows will
# find in them; they skip themselves where the tools are missing.
if(QEL_BUILD_TESTS)
  # The zip test packs QEL_WINDOWS_EXE (the Wine tests' setting) when given,
  # else the program of the windows preset's usual build.
  set(windows_exe ${QEL_WINDOWS_EXE})
  if(NOT windows_exe)
    set(windows_exe ${CMAKE_SOURCE_DIR}/build/windows)
  endif()
  add_test(NAME packaging_deb
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/packaging_test.sh deb
            ${CMAKE_BINARY_DIR} ${QEL_APP_ID})
  add_test(NAME packaging_zip
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/packaging_test.sh zip
            ${windows_exe} ${QEL_PACKAGING_DIR})
  set_tests_properties(packaging_deb packaging_zip PROPERTIES
    LABELS packaging SKIP_RETURN_CODE 77)
endif()
