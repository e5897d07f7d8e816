// The trace log: one line per event in the log file named by the profile,
//
//   <pid as %08X> T+<seconds since start-up as %06ld> <13-character tag> <text>\r\n
//
// The 16-bit trace level chooses the events. Lines are formatted on the
// caller's stack, so threads never share a buffer, and each line reaches the
// file with one append-mode write.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "api/hvcn.h"
#include "core/text_format.h"

namespace hvcn::trace {

// Trace level bits.
inline constexpr uint16_t kApi = 0x0001;       // export entry, return, status text
inline constexpr uint16_t kFunction = 0x0002;  // internal translation entry
inline constexpr uint16_t kConfig = 0x0008;    // configuration values as read
inline constexpr uint16_t kError = 0x0020;     // rejected input, failed settings
inline constexpr uint16_t kInfo = 0x0040;      // decisions while parsing and storing
inline constexpr uint16_t kString = 0x0080;    // every string resource loaded
inline constexpr uint16_t kData = 0x0100;      // values, output names, dumps

namespace tag {
inline constexpr const char* kApiEntry = "API_ENTRY____";
inline constexpr const char* kApiReturn = "API_RETURN___";
inline constexpr const char* kApiError = "API_ERROR____";
inline constexpr const char* kError = "ERROR________";
inline constexpr const char* kData = "DATA_________";
inline constexpr const char* kInformation = "INFORMATION__";
inline constexpr const char* kConfiguration = "CONFIGURATION";
inline constexpr const char* kString = "STRING_______";
inline constexpr const char* kProblem = ">>>>_________";
inline constexpr const char* kFunctionIn = "FUNCTION_IN__";
}  // namespace tag

// Size of the log file's full path (its configured name has up to 256
// characters; on posix a relative one lands in the log folder).
inline constexpr size_t kLogPathSize = 1024;

// Size of the text of one line (the longest texts are held names of 1024
// characters with a message around them).
inline constexpr size_t kLineSize = 6000;

extern std::atomic<uint16_t> g_level;

inline uint16_t Level() noexcept { return g_level.load(std::memory_order_relaxed); }
inline bool On(uint16_t bits) noexcept { return (Level() & bits) != 0; }

// Start-up state (and test hooks).
void SetLevel(uint16_t level) noexcept;
// The log file, used as it stands ("" or null: no log), and the folder to
// create when the file cannot be opened because it is missing (null or "":
// none is created).
void SetLogFile(const char* path, const char* folder = nullptr) noexcept;
const char* LogFile() noexcept;
void SetStartTime(int64_t seconds) noexcept;

// Writes one line whatever the level; a null text is written as "<NULL>".
void WriteLine(const char* tag, const char* text) noexcept;

// Formats and writes one line whatever the level.
template <typename... A>
void Line(const char* tagText, const char* format, const A&... args) noexcept {
  char text[kLineSize];
  FormatText(text, sizeof text, format, args...);
  WriteLine(tagText, text);
}

// Formats and writes one line when any of `bits` is set in the level.
template <typename... A>
void If(uint16_t bits, const char* tagText, const char* format, const A&... args) noexcept {
  if (On(bits)) Line(tagText, format, args...);
}

// The start-up banner "Name parsing version X.05.20.01".
void Banner() noexcept;

// The text of status 1001 + status under "API_ERROR____".
void StatusText(int32_t status) noexcept;

// Dump of a whole format structure under "DATA_________".
void DumpFormat(const hvcnFormat* format) noexcept;

// Character dump of `length` bytes of text under a title.
void DumpText(const char* data, size_t length, const char* title) noexcept;

}  // namespace hvcn::trace
