// The modules of the posix platforms: this library and the language
// resource libraries it loads, each with its string table. Two ways to have
// them: modules_dlopen.cpp finds the library's file with dladdr and loads
// the resource libraries with dlopen; modules_linked.cpp serves resource
// tables linked into the program, for a platform that loads no library at
// run time (WebAssembly). os_posix.cpp loads the strings over either.
#pragma once

#include "core/platform/os.h"
#include "resources/string_table.h"

namespace hvcn::os {

// The string table of a module (the library's own for OwnModule()), or null.
const StringTable* TableOf(Module module) noexcept;

}  // namespace hvcn::os
