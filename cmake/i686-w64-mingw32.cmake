# 32-bit Windows (PE32): the program as it ships.
set(ZANTO_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
