# 32-bit Windows (i686): the DLL that mail clients load.
set(HVCN_MINGW_TRIPLE i686-w64-mingw32)
set(HVCN_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
