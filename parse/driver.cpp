// hvcnParseName: checks the arguments, readies the format, holds and splits
// the typed name, runs the section parsers and finishes the held name.
#include <cstring>
#include <iterator>

#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/strings.h"
#include "core/trace.h"
#include "format/format.h"
#include "internal/internal.h"
#include "model/slots.h"
#include "parse/parse.h"

namespace hvcn::parse {
namespace {

constexpr size_t kMaxName = sizeof(hvcnFormat::nameBuffer) - 1;
constexpr uint32_t kContextMask = hvcnPARSE_CONTEXT_MASK;

// The reconfigured list has an entry for each part of a personal name.
static_assert(std::size(hvcnFormat{}.reconfigured) == model::kPersonalSlots.size());

}  // namespace

int32_t ParseSections(hvcnFormat* f, uint32_t* context) noexcept {
  int32_t status = hvcnSUCCESS;
  for (int i = 0; i < hvcnTOKEN_COUNT && status == hvcnSUCCESS; ++i) {
    hvcnToken* token = &f->tokens[i];
    if (token->id == 0) break;
    if (token->valueLength == hvcnVALUE_ABSENT) continue;
    const bool complete = !(token->tokenFlags & hvcnTOK_OPEN_ENDED);
    switch (token->id) {
      case hvcnTOKEN_CANON: status = ParseCanonicalName(f, token, complete, context); break;
      case hvcnTOKEN_NONCANON: status = ParseNonCanonicalName(f, token, complete, context); break;
      case hvcnTOKEN_X400: status = ParseX400Part(f, token, complete, context); break;
      case hvcnTOKEN_EFA: status = ParseForeignAddress(f, token, complete); break;
      default: status = ParseAttributeToken(f, token, complete, context); break;
    }
  }
  *context &= kContextMask;
  return status;
}

int32_t ApplyReconfiguration(hvcnFormat* f) noexcept {
  if (f->flags & hvcnFMT_NO_RECONFIG) return hvcnSUCCESS;
  for (size_t k = 0; k < model::kPersonalSlots.size(); ++k) {
    const int32_t target = f->reconfigured[k];
    if (target < 0 || target >= hvcnATTRIBUTE_COUNT) continue;
    int source = model::kPersonalSlots[k];
    if (!(f->flags & hvcnFMT_7BIT_ONLY)) {
      const int twin = model::OtherTwinOf(source);
      const uint32_t twinLength = f->attributes[twin].valueLength;
      if (twinLength != hvcnVALUE_ABSENT && twinLength != 0) source = twin;
    }
    if (f->attributes[target].valueLength != hvcnVALUE_ABSENT) return hvcnERR_DUPLICATE_ATTRIBUTE;
    f->attributes[target].valueOffset = f->attributes[source].valueOffset;
    f->attributes[target].valueLength = f->attributes[source].valueLength;
    f->attributes[source].valueLength = hvcnVALUE_ABSENT;
  }
  return hvcnSUCCESS;
}

}  // namespace hvcn::parse

namespace {

using hvcn::ApiFrame;
namespace trace = hvcn::trace;

// The lines of the way out: status text, dump, the internal output, the
// status text again and the return line.
int32_t Leave(hvcnFormat* f, const char* buffer, uint32_t size, bool wrote, int32_t status) noexcept {
  const bool api = trace::On(trace::kApi);
  if (status != hvcnSUCCESS && api) trace::StatusText(status);
  if (trace::On(trace::kData)) trace::DumpFormat(f);
  if (api) {
    // Only what the call wrote, and never past the size.
    char shown[trace::kLineSize / 2] = "<NULL>";
    if (buffer) {
      size_t n = 0;
      while (wrote && n < size && n < sizeof shown - 1 && buffer[n]) ++n;
      std::memcpy(shown, buffer, n);
      shown[n] = '\0';
    }
    trace::Line(trace::tag::kApiReturn, "pBuffer=\"%s\"", shown);
    if (status != hvcnSUCCESS) trace::StatusText(status);
    trace::Line(trace::tag::kApiReturn, "%d (%s)", status, "hvcnParseName");
  }
  return status;
}

}  // namespace

extern "C" HVCN_API int32_t HVCN_CALL hvcnParseName(const char* name, hvcnFormat* f, int32_t internalType,
                                                    char* buffer, uint32_t bufferSize, uint32_t* context,
                                                    uint32_t flags) noexcept {
  using namespace hvcn::parse;
  uint32_t word = context ? *context : 0;
  ApiFrame frame("hvcnParseName", ApiFrame::ReturnLine::WithName, "hvcnParseName(\"%s\", %Fp, %d, %Fp, %u, 0x%lx, 0x%x)",
                 name, static_cast<const void*>(f), internalType, static_cast<const void*>(buffer), bufferSize, word,
                 flags & 0xFFFF);
  if (!name || !f || (!buffer && internalType != 0) || (bufferSize == 0 && buffer))
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  hvcn::ClearDetail(f);
  if (static_cast<uint32_t>(internalType) > hvcnINTERNAL_GSRS) {
    trace::If(trace::kError, trace::tag::kError, "Unknown internal name type (%d)", internalType);
    return frame.Abort(hvcnERR_BAD_PARAMETER);
  }

  int32_t status = hvcnSUCCESS;
  bool wrote = false;
  const bool reinterpret = (flags & hvcnPARSE_REINTERPRET) != 0;
  if (!(f->flags & hvcnFMT_READY)) {
    status = reinterpret ? hvcnERR_FORMAT_NOT_READY : hvcnParseFormatString(nullptr, f);
  }
  if (status == hvcnSUCCESS && !reinterpret) {
    const size_t length = strnlen(name, kMaxName + 1);
    if (length > kMaxName) {
      trace::If(trace::kError, trace::tag::kError, "The name cannot exceed %d characters.", static_cast<int>(kMaxName));
      status = hvcnERR_NAME_TOO_LONG;
    } else {
      // A fresh parse starts from the format's own defaults again.
      hvcn::format::ReparseFormatForName(f);
      hvcn::CopyBytes(f->nameBuffer, name, length + 1);
      if (flags & hvcnPARSE_COMPLETE) {
        f->flags |= hvcnFMT_NAME_COMPLETE;
        *hvcn::TrailingBlanks(f->nameBuffer, f->nameBuffer + length) = '\0';
      } else {
        f->flags = static_cast<uint16_t>(f->flags & ~hvcnFMT_NAME_COMPLETE);
      }
      if (flags & hvcnPARSE_PREFER_TELETEX) f->flags |= hvcnFMT_PREFER_TELETEX;
      else f->flags = static_cast<uint16_t>(f->flags & ~hvcnFMT_PREFER_TELETEX);
      status = SplitNameByFormat(f);
      if (status == hvcnSUCCESS) status = ParseSections(f, &word);
    }
  } else if (status == hvcnSUCCESS && word != 0) {
    status = ParseSections(f, &word);
  }
  if (status == hvcnSUCCESS) status = ApplyReconfiguration(f);
  if (status == hvcnSUCCESS) {
    f->flags |= hvcnFMT_NAME_HELD;
    f->nameType = -1;
    if (internalType != 0)
      status = hvcn::internal::TranslateInternal(f, 0, nullptr, internalType, buffer, bufferSize,
                                                 flags | hvcnTIF_HELD_NAME, &wrote);
  }
  if (context) *context = word;
  return Leave(f, buffer, bufferSize, wrote, status);
}
