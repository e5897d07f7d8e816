// The frame every export with a format shares:
//
//   entry     the export's entry line under "API_ENTRY____" (trace bit 0x0001)
//   checks    argument faults give hvcnERR_BAD_PARAMETER, most with an
//             "ERROR________" line written whatever the level
//   ready     hvcnERR_FORMAT_NOT_READY when the format was never parsed
//   work      the export's own
//   return    for a non-zero status its text under "API_ERROR____", then the
//             return line "%d (<export>)" or "%d" under "API_RETURN___"
//
// Each export's own rules decide which exits write the return line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/hvcn.h"
#include "core/strings.h"
#include "core/text_format.h"
#include "core/trace.h"

namespace hvcn {

class ApiFrame {
 public:
  enum class ReturnLine { WithName, StatusOnly };

  // Writes the entry line (trace bit 0x0001).
  template <typename... A>
  ApiFrame(const char* exportName, ReturnLine style, const char* entryFormat,
           const A&... args) noexcept
      : name_(exportName), style_(style) {
    trace::If(trace::kApi, trace::tag::kApiEntry, entryFormat, args...);
  }

  // Writes an unconditional "ERROR________" line naming an argument fault.
  static void Fault(const char* line) noexcept;

  // The status-text line only (early exits without a return line).
  int32_t Abort(int32_t status) const noexcept;

  // The status-text line and the return line.
  int32_t Finish(int32_t status) const noexcept;

  // The first checks of an export that writes a held name into a caller's
  // buffer: a format (its detail then cleared) and a buffer of some size.
  // False after the fault's line.
  static bool FormatAndBufferGiven(hvcnFormat* format, const char* buffer, uint32_t size) noexcept;

  // The return line alone (for exports that write the status text earlier).
  void ReturnLineOnly(int32_t status) const noexcept;

  // `label="text"` under "API_RETURN___" (trace bit 0x0001): what the call
  // wrote into a caller's buffer, never read past its size; "<NULL>" for no
  // buffer, "" when the call wrote nothing there.
  static void ShowOutput(const char* label, const char* buffer, uint32_t size, bool wrote) noexcept;

 private:
  const char* name_;
  ReturnLine style_;
};

// Loads detail text `id` into format->errorDetail; a missing text becomes
// the general text with the id in it, or nothing.
void RecordDetail(hvcnFormat* format, uint16_t id) noexcept;

// Detail text `id` with printf-style conversions, formatted with the
// arguments into out (size bytes, at least 1); a missing text becomes the
// general text with the id in it, or nothing.
template <typename... A>
void FormatDetail(char* out, size_t size, uint16_t id, const A&... args) noexcept {
  char text[sizeof(hvcnFormat::errorDetail)];
  if (LoadLocalString(id, text, static_cast<int32_t>(sizeof text)))
    FormatText(out, size, text, args...);
  else if (LoadLocalString(kTextGeneralError, text, static_cast<int32_t>(sizeof text)))
    FormatText(out, size, text, id);
  else
    out[0] = '\0';
}

// RecordDetail for a detail text with printf-style conversions.
template <typename... A>
void RecordDetailWith(hvcnFormat* format, uint16_t id, const A&... args) noexcept {
  FormatDetail(format->errorDetail, sizeof format->errorDetail, id, args...);
}

// Empties format->errorDetail.
inline void ClearDetail(hvcnFormat* format) noexcept { format->errorDetail[0] = '\0'; }

}  // namespace hvcn
