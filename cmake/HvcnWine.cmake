# Test programs of a Windows cross build run under Wine: CTest starts each
# through the generated wine-run.sh (CMAKE_CROSSCOMPILING_EMULATOR), with a
# Wine prefix of the build tree's own. Debian installs the 64-bit loader as
# /usr/lib/wine/wine64, outside PATH. 32-bit programs would need the 32-bit
# Wine as well; without it the 32-bit build builds its test programs but
# runs only the checks made on the build machine.
#
# wine-run.sh runs any Windows program of the build, or any other one: an
# add_test() whose COMMAND is an executable target (hvcn_cli, a test
# program) gets it in front by itself; a test whose command is a script
# passes ${CMAKE_CROSSCOMPILING_EMULATOR} to it to start the programs. Each
# such test is declared with hvcn_wine_test(), which orders it after the
# making of the prefix and keeps it apart from the other Wine tests (they
# share one Wine session, its registry and its Windows folder).

# Adds the Wine fixture and lock to tests (no effect where Wine runs nothing).
function(hvcn_wine_test)
  if(HVCN_WINE_TESTS)
    set_tests_properties(${ARGN} PROPERTIES FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wine_session)
  endif()
endfunction()

if(NOT HVCN_BUILD_TESTS OR NOT WIN32 OR NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  message(STATUS "32-bit Windows build: test programs are built, not run")
  return()
endif()

find_program(HVCN_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(HVCN_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine /usr/lib64/wine
             NO_CMAKE_FIND_ROOT_PATH)
if(NOT HVCN_WINE64 OR NOT HVCN_WINESERVER)
  message(WARNING "wine64 not found (Debian package wine64): Windows test programs are built, not run")
  return()
endif()

set(HVCN_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine)
# bin/ as Wine sees it: drive Z: is the root of the file system.
string(REPLACE "/" "\\" HVCN_WINE_PATH "Z:${HVCN_OUTPUT_BIN}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${PROJECT_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run.sh)
set(HVCN_WINE_TESTS ON)
message(STATUS "Windows test programs run under ${HVCN_WINE64}")

# Makes the Wine prefix once, before the first program runs.
add_test(NAME hvcn_wine_prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(hvcn_wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
