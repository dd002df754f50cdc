# 64-bit Windows (PE32+): the tests on machines whose Wine runs no 32-bit programs.
set(ZANTO_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
