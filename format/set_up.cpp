// Setting a format up from a format string: hvcnParseFormatString's work,
// and the set-up that starts every fresh parse of a name.
#include <cstdlib>
#include <cstring>

#include "core/frame.h"
#include "core/strings.h"
#include "core/trace.h"
#include "format/format.h"

namespace hvcn::format {
namespace {

// Initialise, take the format string (NULL keeps the configured default),
// apply the defaults and parse. hvcnERR_NO_FORMAT when the defaults fail.
int32_t SetUpFormat(hvcnFormat* f, const char* formatString, CatalogueValues values) noexcept {
  InitialiseFormat(f);
  if (formatString) CopyText(f->formatString, kCallerFormatStringKept + 1, formatString);
  if (ApplyFormatDefaults(f, values) != hvcnSUCCESS) return hvcnERR_NO_FORMAT;
  const int32_t status = ParseFormatTokens(f->formatString, f, f->tokens);
  if (status == hvcnSUCCESS) f->flags |= hvcnFMT_READY;
  return status;
}

// The full set-up of a fresh parse: from (at most 255 characters of) the
// format's own format string, then the held name reset.
void FullSetUpForName(hvcnFormat* f) noexcept {
  char formatString[kCallerFormatStringKept + 1];
  CopyText(formatString, sizeof formatString, f->formatString);
  const bool settled = DefaultsSettled();
  int32_t status;
  if (trace::On(trace::kApi | trace::kData)) {
    // The nested set-up writes the lines hvcnParseFormatString writes: they
    // belong to the parse's trace.
    status = ParseFormatStringFramed(formatString, f);
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

#ifndef NDEBUG
// Byte for byte the same formats, token names compared as places in each
// format's own format string.
bool SameFormat(const hvcnFormat& a, const hvcnFormat& b) noexcept {
  static_assert(sizeof(hvcnFormat) < 16 * 1024, "two copies live on the stack of a checking build");
  hvcnFormat x = a;
  hvcnFormat y = b;
  for (int i = 0; i < hvcnTOKEN_COUNT; ++i) {
    const auto place = [](const hvcnToken& t, const hvcnFormat& in) {
      return t.name ? reinterpret_cast<const char*>(t.name - in.formatString + 1) : nullptr;
    };
    x.tokens[i].name = place(a.tokens[i], a);
    y.tokens[i].name = place(b.tokens[i], b);
  }
  return std::memcmp(&x, &y, sizeof x) == 0;
}
#endif

}  // namespace

int32_t SetUpFormatFrom(hvcnFormat* f, const char* formatString) noexcept {
  return SetUpFormat(f, formatString, CatalogueValues::kEmpty);
}

int32_t ParseFormatStringFramed(const char* formatString, hvcnFormat* f) noexcept {
  ApiFrame frame("hvcnParseFormatString", ApiFrame::ReturnLine::StatusOnly, "hvcnParseFormatString(\"%s\", %Fp)",
                 formatString, static_cast<const void*>(f));
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  }
  const int32_t status = SetUpFormat(f, formatString, CatalogueValues::kEmpty);
  if (status == hvcnERR_NO_FORMAT) return frame.Abort(status);
  DumpIfTracing(f);
  return frame.Finish(status);
}

int32_t ChangeInputFormat(hvcnFormat* f, const char* formatString) noexcept {
  ForgetSetUp(f);
  CopyText(f->formatString, kCallerFormatStringKept + 1, formatString);
  for (auto& token : f->tokens) ResetToken(&token);
  const int32_t status = ParseFormatTokens(f->formatString, f, f->tokens);
  DumpIfTracing(f);
  return status;
}

int32_t ChangeOutputFormat(hvcnFormat* f, const char* formatString) noexcept {
  ForgetSetUp(f);
  hvcnToken tokens[hvcnTOKEN_COUNT];
  for (auto& token : tokens) ResetToken(&token);
  const int32_t status = ParseFormatTokens(formatString, f, tokens);
  if (status == hvcnSUCCESS)
    for (int i = 0; i < hvcnTOKEN_COUNT; ++i) f->outputTokenIds[i] = tokens[i].id;
  DumpIfTracing(f);
  return status;
}

void DumpIfTracing(const hvcnFormat* f) noexcept {
  if (trace::On(trace::kData)) trace::DumpFormat(f);
}

void ReparseFormatForName(hvcnFormat* f) noexcept {
  // Untraced, a format that only parsing has changed since its last set-up
  // needs just the parse's traces undone.
  if (trace::Level() != 0) return FullSetUpForName(f);
#ifdef NDEBUG
  if (!RestoreSetUp(f)) FullSetUpForName(f);
#else
  // Checking builds run the full set-up beside the short way and stop when
  // the two differ: a change of the format that forgot to remove the mark.
  hvcnFormat full = *f;
  if (!RestoreSetUp(f)) return FullSetUpForName(f);
  FullSetUpForName(&full);
  if (!SameFormat(*f, full)) std::abort();
#endif
}

}  // namespace hvcn::format
