# The web page: the same program compiled to WebAssembly with Emscripten,
# its dialogs made of page elements. The build leaves a folder that any
# static file server can serve: index.html (with the program, its glue and
# its stylesheet inside it), the icon as favicon and a web app manifest
# with its icons.
include(cmake/Resources.cmake)

set(WEB_DIR ${CMAKE_SOURCE_DIR}/src/platform/web)
set(QEL_SITE_DIR ${CMAKE_BINARY_DIR}/site CACHE PATH "Where the web build leaves the page")

# emcc's JavaScript optimizer needs acorn, which Debian keeps where only its
# own node looks.
if(EXISTS /usr/share/nodejs/acorn)
  set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
endif()

# The module is decoded, checked and compiled on the page's way to its
# first frame: as small as the optimiser makes it (-Oz), across all its
# files (-flto). emcc's -Os and -Oz pass clang -fno-inline-functions, which
# keeps even a vector's size() a call of its own; -finline-functions lets
# LLVM inline what makes the module smaller. A fifth smaller than at -Os.
set(QEL_WEB_CXX_OPTIONS -Oz -flto -finline-functions -fno-exceptions -fno-rtti)
target_compile_options(qel_core PRIVATE ${QEL_WEB_CXX_OPTIONS})
target_compile_options(qel_common PRIVATE ${QEL_WEB_CXX_OPTIONS})

add_executable(qel
  src/qel.cpp
  ${QEL_DIALOG_SOURCES}
  ${WEB_DIR}/dialog.cpp
  ${WEB_DIR}/edit.cpp
  ${WEB_DIR}/button.cpp
  ${WEB_DIR}/static.cpp
  ${WEB_DIR}/startup.cpp
  ${CMAKE_BINARY_DIR}/qel_resources.cpp)
target_include_directories(qel PRIVATE src res ${QEL_PLATFORM_INCLUDE_DIRS} ${QEL_DIALOG_DIR})
target_compile_options(qel PRIVATE ${QEL_WEB_CXX_OPTIONS})
target_link_libraries(qel PRIVATE qel_core qel_common)
# DialogBoxParamA returns only after EndDialog: the program sleeps in the
# modal loop (Asyncify), and page_wait_for_event is where it sleeps.
# Only the functions that can be on the stack then are instrumented; left
# to itself, Asyncify takes every indirect call (operator new's handler,
# the dialog procedures) for a way to the sleep and instruments three
# quarters of the module. The stack at the sleep, nested for the About box:
# main (WinMain inlined), DialogBoxParamA (the modal loop, the backend's
# wait and its event dispatch inlined: Asyncify runs after inlining, and
# names that are gone only earn a warning; so are the dialog's keys, but
# for a mnemonic's press on its way to a button), SendCommand
# (SendDialogMessage is inlined into it now; its pattern, with its warning,
# stays for a build that keeps it apart), the main dialog's procedure (an
# indirect call), DialogBoxParamA again. Found by linking with
# -sASYNCIFY_ADVISE --profiling-funcs at the settings above: a function
# missing here fails silently (the About box then never opens or never
# closes), and the names move with the dialog manager's code and the
# optimiser's inlining, so rederive them when either changes; the scenario
# table opens and closes the About box every way.
set(QEL_ASYNCIFY_ONLY main DialogBoxParamA* *PressMnemonic* SendCommand* SendDialogMessage* *MyDialogo*)
list(TRANSFORM QEL_ASYNCIFY_ONLY REPLACE "(.+)" "\"\\1\"")
list(JOIN QEL_ASYNCIFY_ONLY ", " asyncify_only)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/asyncify-only.json CONTENT "[${asyncify_only}]")
target_link_options(qel PRIVATE
  -Oz -flto -finline-functions --js-library ${WEB_DIR}/page.js --pre-js ${WEB_DIR}/instantiate.js
  -sASYNCIFY -sASYNCIFY_IMPORTS=[page_wait_for_event] -sASYNCIFY_STACK_SIZE=16384
  -sASYNCIFY_ONLY=@${CMAKE_BINARY_DIR}/asyncify-only.json
  -sENVIRONMENT=web -sFILESYSTEM=0 -sMALLOC=emmalloc -sSUPPORT_ERRNO=0
  -sINITIAL_MEMORY=1MB -sTOTAL_STACK=256KB -sALLOW_MEMORY_GROWTH
  # The glue is parsed on the page's way to its first keystroke: none of
  # the Module settings it would look for but the one instantiate.js sets,
  # TextDecoder (every browser has it), no eval.
  -sINCOMING_MODULE_JS_API=[instantiateWasm] -sTEXTDECODER=2 -sDYNAMIC_EXECUTION=0)
set_target_properties(qel PROPERTIES
  SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/program
  LINK_DEPENDS "${WEB_DIR}/page.js;${WEB_DIR}/instantiate.js;${CMAKE_BINARY_DIR}/asyncify-only.json")

# Everything the program needs to start goes inside the page, which then
# starts on its one request: the stylesheet, web/qel-start.js with the
# module in it, and the glue. The policy names them by their hashes.
# Emscripten runs on Python, so the build has it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${QEL_SITE_DIR}/index.html
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/inline_page.py
          ${CMAKE_SOURCE_DIR}/web/index.html ${CMAKE_SOURCE_DIR}/web/qel-start.js ${CMAKE_BINARY_DIR}/program/qel.js
          ${CMAKE_SOURCE_DIR}/web/qel.css ${CMAKE_BINARY_DIR}/program/qel.wasm ${QEL_SITE_DIR}/index.html
  DEPENDS ${CMAKE_SOURCE_DIR}/web/index.html ${CMAKE_SOURCE_DIR}/web/qel-start.js ${CMAKE_SOURCE_DIR}/web/qel.css
          ${CMAKE_SOURCE_DIR}/cmake/inline_page.py qel
  COMMENT "The page, with its stylesheet, program and scripts inside it"
  VERBATIM)

# The page's static files, and the icon for the browser: the favicon is the
# program's icon file itself; installing the page wants larger images,
# scaled by whole factors without smoothing.
set(site_files ${QEL_SITE_DIR}/index.html)
foreach(file qel.webmanifest)
  add_custom_command(OUTPUT ${QEL_SITE_DIR}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/${file} ${QEL_SITE_DIR}/${file}
    DEPENDS ${CMAKE_SOURCE_DIR}/web/${file})
  list(APPEND site_files ${QEL_SITE_DIR}/${file})
endforeach()
add_custom_command(OUTPUT ${QEL_SITE_DIR}/qel.ico
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/res/qel.ico ${QEL_SITE_DIR}/qel.ico
  DEPENDS ${CMAKE_SOURCE_DIR}/res/qel.ico)
list(APPEND site_files ${QEL_SITE_DIR}/qel.ico)

find_program(QEL_ICOTOOL icotool REQUIRED)
find_program(QEL_IMAGEMAGICK NAMES magick convert-im6.q16 convert REQUIRED)
set(extracted ${CMAKE_BINARY_DIR}/qel-32.png)
set(commands COMMAND ${QEL_ICOTOOL} -x --width=32 --height=32 -o ${extracted} ${CMAKE_SOURCE_DIR}/res/qel.ico)
foreach(size 192 512)
  list(APPEND commands COMMAND ${QEL_IMAGEMAGICK} ${extracted} -sample ${size}x${size} -strip
       -define png:exclude-chunks=date,time PNG32:${QEL_SITE_DIR}/qel-${size}.png)
  list(APPEND site_files ${QEL_SITE_DIR}/qel-${size}.png)
endforeach()
add_custom_command(OUTPUT ${QEL_SITE_DIR}/qel-192.png ${QEL_SITE_DIR}/qel-512.png ${commands}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/qel.ico
  COMMENT "Page icons from res/qel.ico"
  VERBATIM)
add_custom_target(qel_site ALL DEPENDS ${site_files})

# The service worker keeps these for use without the network, under a key
# made of their contents: the worker changes with every build that changes
# what it keeps, and browsers fetch a changed worker on the next visit.
set(offline_files index.html qel.ico qel.webmanifest)
string(REPLACE ";" "," offline_list "${offline_files}")
add_custom_command(OUTPUT ${QEL_SITE_DIR}/qel-sw.js
  COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_SOURCE_DIR}/web/qel-sw.js -DOUTPUT=${QEL_SITE_DIR}/qel-sw.js
          -DSITE=${QEL_SITE_DIR} -DFILES=${offline_list} -P ${CMAKE_SOURCE_DIR}/cmake/ServiceWorker.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/web/qel-sw.js ${CMAKE_SOURCE_DIR}/cmake/ServiceWorker.cmake ${site_files} qel
  COMMENT "Service worker keyed by the page's contents"
  VERBATIM)
add_custom_target(qel_service_worker ALL DEPENDS ${QEL_SITE_DIR}/qel-sw.js)
add_dependencies(qel_service_worker qel_site)
