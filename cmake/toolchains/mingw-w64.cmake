# Cross-compiling for Windows with Debian's mingw-w64 compilers. Included by
# mingw-i686.cmake and mingw-x86_64.cmake, which set HVCN_MINGW_TRIPLE and
# HVCN_MINGW_PROCESSOR first.
#
# The -posix variants of the compilers are used: their C++ library has
# std::thread (the tests run threads), and everything is linked statically,
# so no runtime DLL is needed beside the programs and libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${HVCN_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER ${HVCN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HVCN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HVCN_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${HVCN_MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump of the target")
set(CMAKE_DLLTOOL ${HVCN_MINGW_TRIPLE}-dlltool CACHE FILEPATH "dlltool of the target")

set(CMAKE_FIND_ROOT_PATH /usr/${HVCN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
