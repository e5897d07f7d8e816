# 32-bit Linux (i686) on an x86_64 Debian host: g++ -m32 (g++-multilib).
#
# The host kernel need not run 32-bit programs: every test program runs
# under QEMU's user-mode emulation (qemu-i386, Debian package qemu-user),
# which CTest puts in front of each of them (CMAKE_CROSSCOMPILING_EMULATOR).
# The i386 loader and C library are the host's own multilib ones
# (/lib/ld-linux.so.2), so QEMU needs no separate root (-L /).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

find_program(HVCN_QEMU_I386 qemu-i386)
if(NOT HVCN_QEMU_I386)
  message(FATAL_ERROR "qemu-i386 not found (Debian package qemu-user): "
                      "the 32-bit test programs cannot run on this host")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${HVCN_QEMU_I386} -L /)
