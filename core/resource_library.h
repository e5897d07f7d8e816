// Choice of the language resource library: "tarnres" + the language of the
// installed Office user interface + ".dll" (".so" on posix), looked for in
// the directory of the library's own file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/platform/os.h"

namespace hvcn {

inline constexpr int32_t kStatusFail = static_cast<int32_t>(0x80004005u);  // E_FAIL

// Returns the loaded resource library, this module when its own file name
// holds "tarnres", or null when none could be loaded.
os::Module SelectResourceModule(os::Module self) noexcept;

// The three-letter abbreviation of the Office user-interface language
// (128-byte buffer). 0 on success, kStatusFail when none could be had.
int32_t GetUiLanguageAbbreviation(char* buffer, bool consultOffice) noexcept;

// "tarnres" + language part + ".dll" into a 256-byte buffer; always 1.
int BuildResourceFileName(char* buffer, bool shorten, bool useLanguage) noexcept;

// Tries the four names in order from `directory` (null: the bare names).
// The loaded file's name goes to nameOut (when given); null when none loads.
os::Module LoadResourceLibrary(char* nameOut, const char* directory) noexcept;

// What the last selection tried, for hvcnGetResourceLibrary: the file
// names as the platform has them ("tarnresIT.so"), joined by ':', the last
// being the one loaded when `loaded`; and the folder looked in (with its
// final separator; "" for the bare names).
struct ResourceChoice {
  const char* names;
  const char* folder;
  bool loaded;
};
ResourceChoice LastResourceChoice() noexcept;

// The text composed by the last selection: "Resource DLL Loaded: <name>
// Instance: <handle>" or "Resource DLL Not Loaded: <names tried, joined by
// ':'>", without the final newline.
const char* ResourceSelectionReport() noexcept;

}  // namespace hvcn
