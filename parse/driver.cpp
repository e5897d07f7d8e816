// The parse of a typed name: readies the format, holds and splits the name,
// runs the section parsers and finishes the held name.
#include <cstring>
#include <iterator>

#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/strings.h"
#include "core/trace.h"
#include "format/format.h"
#include "internal_form/internal_form.h"
#include "model/slots.h"
#include "parse/parse.h"

namespace hvcn::parse {
namespace {

constexpr size_t kMaxName = sizeof(hvcnFormat::nameBuffer) - 1;
constexpr uint32_t kContextMask = hvcnPARSE_CONTEXT_MASK;

// The reconfigured list has an entry for each part of a personal name.
static_assert(std::size(hvcnFormat{}.reconfigured) == model::kPersonalSlots.size());

// A fresh parse: the format set up again, the name copied into nameBuffer
// (trailing blanks cut when it is complete), the flags of this call, and
// the name cut into the texts of the tokens.
int32_t HoldAndSplit(const char* name, hvcnFormat* f, uint32_t flags) noexcept {
  const size_t length = strnlen(name, kMaxName + 1);
  if (length > kMaxName) {
    trace::If(trace::kError, trace::tag::kError, "The name cannot exceed %d characters.", static_cast<int>(kMaxName));
    return hvcnERR_NAME_TOO_LONG;
  }
  format::ReparseFormatForName(f);
  CopyBytes(f->nameBuffer, name, length + 1);
  if (flags & hvcnPARSE_COMPLETE) {
    f->flags |= hvcnFMT_NAME_COMPLETE;
    *TrailingBlanks(f->nameBuffer, f->nameBuffer + length) = '\0';
  } else {
    f->flags = static_cast<uint16_t>(f->flags & ~hvcnFMT_NAME_COMPLETE);
  }
  if (flags & hvcnPARSE_PREFER_TELETEX) f->flags |= hvcnFMT_PREFER_TELETEX;
  else f->flags = static_cast<uint16_t>(f->flags & ~hvcnFMT_PREFER_TELETEX);
  return SplitNameByFormat(f);
}

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

int32_t ParseName(const char* name, hvcnFormat* f, int32_t internalType, char* buffer, uint32_t bufferSize,
                  uint32_t* context, uint32_t flags, bool* wrote) noexcept {
  int32_t status = hvcnSUCCESS;
  const bool reinterpret = (flags & hvcnPARSE_REINTERPRET) != 0;
  if (!(f->flags & hvcnFMT_READY)) {
    if (reinterpret) return hvcnERR_FORMAT_NOT_READY;
    status = format::ParseFormatStringFramed(nullptr, f);
  }
  // A name read from another form (format::StartReadName) has no token
  // texts to read again.
  if (reinterpret && f->nameType == hvcnNAME_OR_ADDRESS) return hvcnERR_NO_MORE_INTERPRETATIONS;
  if (status == hvcnSUCCESS && !reinterpret) {
    status = HoldAndSplit(name, f, flags);
    if (status == hvcnSUCCESS) status = ParseSections(f, context);
  } else if (status == hvcnSUCCESS && *context != 0) {
    status = ParseSections(f, context);
  }
  if (status == hvcnSUCCESS) status = ApplyReconfiguration(f);
  if (status != hvcnSUCCESS) return status;
  f->flags |= hvcnFMT_NAME_HELD;
  f->nameType = -1;
  if (internalType == 0) return hvcnSUCCESS;
  TextSink out(buffer, bufferSize);
  return internal_form::TranslateInternal(f, 0, nullptr, internalType, out, flags | hvcnTIF_HELD_NAME, wrote);
}

}  // namespace hvcn::parse
