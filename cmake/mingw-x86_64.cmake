# Cross build for 64-bit Windows (Debian: g++-mingw-w64-x86-64). The program
# ships as 32-bit; this build lets a machine without 32-bit Wine (not
# installed, or a kernel that runs no 32-bit processes) still try the same
# sources under wine64.
set(QEL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
