# 64-bit Windows (x86_64).
set(HVCN_MINGW_TRIPLE x86_64-w64-mingw32)
set(HVCN_MINGW_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
