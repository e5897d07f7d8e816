# WebAssembly with Debian's emscripten (package emscripten, 3.1.6): its own
# toolchain file, and one thing Debian's packaging needs. At link time em++
# runs its JavaScript optimizer, a node program that requires Debian's
# node-acorn from /usr/share/nodejs; a node that is not Debian's own (from
# /usr/local or nodesource) looks there only when NODE_PATH says so. Every
# compile and link runs with it set, whatever shell starts the build.
find_program(HVCN_EMCC emcc REQUIRED)
get_filename_component(_hvcn_emcc_real ${HVCN_EMCC} REALPATH)
get_filename_component(HVCN_EMSCRIPTEN_ROOT ${_hvcn_emcc_real} DIRECTORY)
include(${HVCN_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)

set(HVCN_NODE_PATH /usr/share/nodejs)
foreach(_lang C CXX)
  set(CMAKE_${_lang}_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${HVCN_NODE_PATH})
  set(CMAKE_${_lang}_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${HVCN_NODE_PATH})
endforeach()
