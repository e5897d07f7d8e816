// Exports of the formats: format strings and format information.
#include <cstring>

#include "api/hvcn.h"
#include "core/frame.h"
#include "core/strings.h"
#include "core/trace.h"
#include "format/format.h"
#include "format/format_info.h"

using hvcn::ApiFrame;
namespace trace = hvcn::trace;
namespace format = hvcn::format;

namespace {

// The common checks of the two exports that change a ready format's tokens.
// Returns 0 to go on, else the status (its frame lines already written).
int32_t CheckChangeArguments(const ApiFrame& frame, const char* formatString, const hvcnFormat* f) noexcept {
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  }
  if (!formatString) {
    ApiFrame::Fault("Format string is NULL");
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) {
    ApiFrame::Fault("Havn't called hvcnParseFormatString");
    return frame.Abort(hvcnERR_FORMAT_NOT_READY);
  }
  return hvcnSUCCESS;
}

void DumpIfTracing(const hvcnFormat* f) noexcept {
  if (hvcn::trace::On(hvcn::trace::kData)) hvcn::trace::DumpFormat(f);
}

// The work of hvcnParseFormatString after its argument checks: initialise,
// take the format string (NULL keeps the configured default), apply the
// defaults and parse. hvcnERR_NO_FORMAT when the defaults fail.
int32_t SetUpFormat(hvcnFormat* f, const char* formatString, format::CatalogueValues values) noexcept {
  format::InitialiseFormat(f);
  if (formatString) hvcn::CopyText(f->formatString, format::kCallerFormatStringKept + 1, formatString);
  if (format::ApplyFormatDefaults(f, values) != hvcnSUCCESS) return hvcnERR_NO_FORMAT;
  const int32_t status = format::ParseFormatTokens(f->formatString, f, f->tokens);
  if (status == hvcnSUCCESS) f->flags |= hvcnFMT_READY;
  return status;
}

}  // namespace

namespace hvcn::format {

void ReparseFormatForName(hvcnFormat* f) noexcept {
  // Untraced, a format that only parsing has changed since its last set-up
  // needs just the parse's traces undone.
  if (trace::Level() == 0 && RestoreSetUp(f)) return;
  char formatString[kCallerFormatStringKept + 1];
  hvcn::CopyText(formatString, sizeof formatString, f->formatString);
  const bool settled = DefaultsSettled();
  int32_t status;
  if (trace::On(trace::kApi | trace::kData)) {
    // The nested call's own trace lines belong to the parse's trace.
    status = hvcnParseFormatString(formatString, f);
    ResetName(f);
  } else {
    // Without them the same steps run directly, and the standard records
    // come from the catalogue already without values: every record is then
    // absent, as a name reset leaves it, on success and on failure alike.
    status = SetUpFormat(f, formatString, CatalogueValues::kAbsent);
    ResetNameText(f);
  }
  // The next fresh parse sets up from the same string again when this one
  // kept it, and from the same defaults once they are shared.
  if (status == hvcnSUCCESS && settled && std::strcmp(f->formatString, formatString) == 0) MarkSetUp(f);
}

}  // namespace hvcn::format

extern "C" {

HVCN_API int32_t HVCN_CALL hvcnParseFormatString(const char* formatString, hvcnFormat* f) noexcept {
  ApiFrame frame("hvcnParseFormatString", ApiFrame::ReturnLine::StatusOnly, "hvcnParseFormatString(\"%s\", %Fp)",
                 formatString, static_cast<const void*>(f));
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  }
  const int32_t status = SetUpFormat(f, formatString, format::CatalogueValues::kEmpty);
  if (status == hvcnERR_NO_FORMAT) return frame.Abort(status);
  DumpIfTracing(f);
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnChangeInputFormat(const char* formatString, hvcnFormat* f) noexcept {
  ApiFrame frame("hvcnChangeInputFormat", ApiFrame::ReturnLine::StatusOnly, "hvcnSetInputFormat(\"%s\", %Fp)",
                 formatString, static_cast<const void*>(f));
  if (int32_t status = CheckChangeArguments(frame, formatString, f)) return status;
  format::ForgetSetUp(f);
  hvcn::CopyText(f->formatString, format::kCallerFormatStringKept + 1, formatString);
  for (auto& token : f->tokens) format::ResetToken(&token);
  int32_t status = format::ParseFormatTokens(f->formatString, f, f->tokens);
  DumpIfTracing(f);
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnChangeOutputFormat(const char* formatString, hvcnFormat* f) noexcept {
  ApiFrame frame("hvcnChangeOutputFormat", ApiFrame::ReturnLine::StatusOnly, "hvcnSetOutputFormat(\"%s\", %Fp)",
                 formatString, static_cast<const void*>(f));
  if (int32_t status = CheckChangeArguments(frame, formatString, f)) return status;
  format::ForgetSetUp(f);
  hvcnToken tokens[hvcnTOKEN_COUNT];
  for (auto& token : tokens) format::ResetToken(&token);
  int32_t status = format::ParseFormatTokens(formatString, f, tokens);
  if (status == hvcnSUCCESS)
    for (int i = 0; i < hvcnTOKEN_COUNT; ++i) f->outputTokenIds[i] = tokens[i].id;
  DumpIfTracing(f);
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnGetFormatInfo(hvcnFormat* f, void* data, uint16_t size, uint16_t type) noexcept {
  ApiFrame frame("hvcnGetFormatInfo", ApiFrame::ReturnLine::WithName, "hvcnGetFormatInfo(%Fp, %Fp, %u)",
                 static_cast<const void*>(f), data, type);
  if (!f || !data) {
    ApiFrame::Fault("Format or data pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  format::GetResult result = format::GetFormatInfo(f, data, size, type);
  return result.silent ? result.status : frame.Finish(result.status);
}

HVCN_API int32_t HVCN_CALL hvcnSetFormatInfo(hvcnFormat* f, const void* data, uint16_t type) noexcept {
  ApiFrame frame("hvcnSetFormatInfo", ApiFrame::ReturnLine::WithName, "hvcnSetFormatInfo(%Fp, %Fp, %u)",
                 static_cast<const void*>(f), data, type);
  if (!f || !data) {
    ApiFrame::Fault("Format or data pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (!(f->flags & hvcnFMT_READY)) return frame.Finish(hvcnERR_FORMAT_NOT_READY);
  format::ForgetSetUp(f);
  return frame.Finish(format::SetFormatInfo(f, data, type));
}

}  // extern "C"
