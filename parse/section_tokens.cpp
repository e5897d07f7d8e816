// The two short section parsers: a foreign address, carried in the
// domain-defined attribute pairs in pieces, and a token naming one attribute.
#include <cstring>

#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "model/slots.h"
#include "parse/parse.h"

namespace hvcn::parse {
namespace {

// A piece ends at the first character boundary this many bytes after its
// start: a piece, with its escapes, fits a domain-defined value.
constexpr ptrdiff_t kPieceSize = 124;
constexpr uint16_t kDetailForeignAndDda = 2009;

// The pieces go to the domain-defined attribute pairs in order, each
// marked foreign in its type.
constexpr auto kPieces = model::kDdaPairs;
constexpr int kFirstType = kPieces[0].type;
constexpr int kFirstTypeTwin = model::OtherTwinOf(kFirstType);

}  // namespace

int32_t ParseForeignAddress(hvcnFormat* f, hvcnToken* token, bool complete) noexcept {
  const TokenText text = TextOf(f, token);
  if (text.begin == text.end) return hvcnSUCCESS;
  char* const end = text.trimmed;
  char* p = text.begin;
  if (token->leadSep > 1 && p < end && *p == static_cast<char>(token->leadSep)) ++p;
  if (f->attributes[kFirstType].valueLength != hvcnVALUE_ABSENT ||
      f->attributes[kFirstTypeTwin].valueLength != hvcnVALUE_ABSENT) {
    RecordDetail(f, kDetailForeignAndDda);
    return hvcnERR_DUPLICATE_ATTRIBUTE;
  }
  if (p >= end) {
    if (!complete) return hvcnSUCCESS;
    trace::WriteLine(trace::tag::kError, "EFA not terminated properly.");
    return hvcnERR_BAD_EFA;
  }
  const char close = static_cast<char>(token->trailSep);
  bool closed = false;
  int pieces = 0;
  while (p < end && !closed) {
    if (*p == close) {
      closed = true;
      break;
    }
    // One piece; the byte just after the text is looked at too, so a
    // closing character right behind the text closes the address.
    char* start = p;
    do {
      if (*p == '\\' && p + 1 < end) ++p;
      p += CharBytes(p);
      if (p > end) p = end;
      if (*p == close) closed = true;
    } while (!closed && p < end && p - start < kPieceSize);
    if (p == start) continue;
    if (pieces == static_cast<int>(kPieces.size())) {
      trace::If(trace::kError, trace::tag::kError, "Found DDA number 5 at %s", start);
      return hvcnERR_TOO_MANY_DDAS;
    }
    const model::DdaPair& pair = kPieces[static_cast<size_t>(pieces)];
    f->attributes[pair.type].valueOffset = static_cast<uint32_t>(start - f->nameBuffer);
    f->attributes[pair.type].valueLength = hvcnVALUE_FOREIGN;
    if (int32_t status = model::StoreValue(f, start, p, pair.value)) return status;
    ++pieces;
  }
  if (!closed) {
    if (!complete) return hvcnSUCCESS;
    trace::WriteLine(trace::tag::kError, "EFA not terminated properly.");
    return hvcnERR_BAD_EFA;
  }
  if (token->tokenFlags & hvcnTOK_LAST) f->flags |= hvcnFMT_NAME_COMPLETE;
  return hvcnSUCCESS;
}

int32_t ParseAttributeToken(hvcnFormat* f, hvcnToken* token, bool complete, uint32_t* context) noexcept {
  const TokenText text = TextOf(f, token);
  char* valueEnd = text.trimmed;
  if (!complete) {
    if (*context & kAttributeTrimmedBit) {
      *context &= ~kAttributeTrimmedBit;
      f->nameShape = static_cast<int32_t>(kAttributeTrimmedBit);
    } else if (text.trimmed == text.end) {
      *context &= ~kAttributeBits;
      valueEnd = text.end;
    } else {
      *context = kAttributeTrimmedBit;  // the reading without the blanks is next
      f->nameShape = 0x100000;
      valueEnd = text.end;
    }
  } else {
    *context &= ~kAttributeBits;
  }
  return model::StoreValue(f, text.begin, valueEnd, static_cast<int>(token->slot));
}

}  // namespace hvcn::parse
