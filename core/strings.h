// Localised strings and the profile readers.
//
// Every text the library shows or reads by name is a string resource: the
// status texts (1000-1031), the detail texts (2001-2025), the explanations
// of refusals (2100-2199), the boolean words (3200-3210), the tag names
// (3300-3342) and, only in the language resource libraries, the profile
// section and key names (3100-3113, 3400-3443).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/copy.h"
#include "core/platform/os.h"

namespace hvcn {

// String ids of the profile names and settings.
enum SettingId : uint16_t {
  kSectionNameParsing = 3100,
  kSettingReconfigured = 3101,
  kSettingDefaultFormat = 3102,
  kSettingLogFile = 3103,
  kSettingLogLevel = 3104,
  kSettingComma = 3105,
  kSettingSlash = 3106,
  kSettingRsUserOnly = 3107,
  kSettingSevenBitOnly = 3108,
  kSettingComplex = 3109,
  kSettingX400Mask = 3110,
  kSettingOuTags = 3111,
  kSettingWildcard = 3112,
  kSettingX400Personal = 3113,
  kSectionX400Tags = 3400,
  kSettingTagBase = 3401,  // + tag-name index 0..42
};

// String ids of texts.
inline constexpr uint16_t kTextGeneralError = 1000;
inline constexpr uint16_t kTextStatusBase = 1001;  // + status code
inline constexpr uint16_t kTextBoolBase = 3200;    // + word-list entry
inline constexpr uint16_t kTextTagBase = 3300;     // + tag-name index

// The profile file, given without a directory.
inline constexpr const char* kProfileFile = "TNUAL.INI";

// The module every string is loaded from: the language resource library, or
// this library's own module when none was loaded. Set once at start-up.
os::Module ResourceModule() noexcept;
void SetResourceModule(os::Module module) noexcept;

// Loads string `id` into the buffer. A missing string leaves its decimal id
// in buffers of more than 7 bytes (else an empty text) and returns false.
bool LoadLocalString(os::Module module, uint16_t id, char* buffer, int32_t size) noexcept;
inline bool LoadLocalString(uint16_t id, char* buffer, int32_t size) noexcept {
  return LoadLocalString(ResourceModule(), id, buffer, size);
}

// The boolean word list: entries 0-4 true words, 5 the separator, 6-10
// false words, each at most 9 characters.
struct BoolWords {
  char entries[11][10];
};

// Loads a word list from the module's strings 3200-3210; a missing word
// leaves its entry empty.
void LoadBoolWords(os::Module module, BoolWords* words) noexcept;

// The process word list, filled at start-up.
const BoolWords* ProcessBoolWords() noexcept;
void LoadProcessBoolWords(os::Module module) noexcept;

// The profile readers. GetProfileText returns true when the section and
// key names exist (the buffer then holds the value or the default).
bool GetProfileText(os::Module module, uint16_t section, uint16_t key, const char* fallback,
                    char* buffer, int32_t size) noexcept;
int GetProfileBool(os::Module module, uint16_t section, uint16_t key, bool fallback,
                   const BoolWords* words) noexcept;
int32_t GetProfileNumber(os::Module module, uint16_t section, uint16_t key,
                         int32_t fallback) noexcept;

// Writes the notes of configuration files the platform layer ignored (a
// TNUAL.INI or registry file that is no regular file, or too large) into
// the trace log, whatever the level. Kept until a log file is known.
void ReportConfigurationNotes() noexcept;

// Signed conversion with a sign, decimal, 0x hexadecimal and 0 octal, as the
// C library's strtol with base 0 but saturating at 32 bits. *end is where it
// stopped (the start when no digit was read).
int32_t ParseNumber(const char* text, const char** end) noexcept;


}  // namespace hvcn
