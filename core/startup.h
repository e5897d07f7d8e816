// Library start-up, run once by the platform's module entry when the library
// is attached to a process (DllMain on Windows, an ELF constructor on posix).
#pragma once

#include "core/platform/os.h"

namespace hvcn {

// The whole start-up sequence: resource library, trace log, booleans, tag
// names, wildcard, stepping switches. True when the library may be used.
bool LibraryStartup(os::Module self) noexcept;

// True once start-up has run in this process.
bool StartupDone() noexcept;

// The start-up step of the address model, which the core runs without
// knowing the model: the X.400 tag names and their profile overrides, read
// from the module that holds the strings. Defined in model/tag_names.cpp.
void LoadTagNamesAtStartup(os::Module strings) noexcept;

}  // namespace hvcn
