// The two text formats the posix stand-ins read, as lookups over a text in
// memory (the bytes of the file, NULs included): TNUAL.INI with the rules
// of GetPrivateProfileStringA, and a REGEDIT4 file standing for the
// registry. os_posix.cpp reads the files; the fuzz target over the
// configuration readers calls these directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/platform/os.h"

namespace hvcn::os::config {

// TNUAL.INI: lines "[section]" and "key=value"; a key line whose key starts
// with ';' is a comment. Section and key names ignore ASCII case and the
// blanks and tabs around them; the first matching key line of any section
// of that name wins. The value is trimmed of blanks and tabs, and one pair
// of matching quotes (" or ') around it is removed. False when absent.
bool ProfileValue(std::string_view text, std::string_view section, std::string_view key,
                  std::string_view* value) noexcept;

// REGEDIT4: a section "[ROOT\path]" (HKEY_LOCAL_MACHINE or HKLM,
// HKEY_CURRENT_USER or HKCU; names ignore case and trailing backslashes)
// opens a key; lines "\"name\"=\"text\"" (escapes \\ and \") and
// "\"name\"=dword:hex" below it are its values.
bool RegistryKeyExists(std::string_view text, RegistryRoot root, std::string_view path) noexcept;

enum class ValueKind { None, String, Dword };

// The first value `name` of the key. A string is copied into out with its
// NUL when it fits in size bytes, else it cannot be read (None), as
// RegQueryValueExA refuses a value larger than the buffer; out may be null
// to ask for the kind only. A dword is stored in *dword (may be null).
ValueKind RegistryValue(std::string_view text, RegistryRoot root, std::string_view path,
                        std::string_view name, char* out, size_t size, uint32_t* dword) noexcept;

}  // namespace hvcn::os::config
