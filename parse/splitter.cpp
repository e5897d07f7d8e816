// The splitter: one pass over the held name that records, for each token,
// where its text starts and how long it is.
#include <cstring>

#include "core/ascii.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "model/validate.h"
#include "parse/parse.h"

namespace hvcn::parse {
namespace {

constexpr uint8_t kSepAdjacent = 1;

bool IsLast(const hvcnToken& token) noexcept { return (token.tokenFlags & hvcnTOK_LAST) != 0; }

}  // namespace

const char* FindUnescapedCharOf(const char* text, const char* set) noexcept {
  // Separators are single bytes below 0x80.
  ByteSet stops;
  for (const char* q = set; *q; ++q) stops.Add(*q);
  return ScanUnescaped(text, stops);
}

int32_t SplitNameByFormat(hvcnFormat* format) noexcept {
  hvcnToken* tokens = format->tokens;
  const bool complex = (format->flags & hvcnFMT_COMPLEX) != 0;
  // With complex formats a token ends at any later token's separator.
  char terminators[hvcnTOKEN_COUNT + 1] = {};
  int terminatorCount = 0;
  for (auto& token : format->tokens) {
    token.tokenFlags &= hvcnTOK_LAST;
    token.valueOffset = 0;
    token.valueLength = hvcnVALUE_ABSENT;
    if (complex && token.leadSep != 0) terminators[terminatorCount++] = static_cast<char>(token.leadSep);
  }

  char* const start = format->nameBuffer;
  const char* p = start;
  int k = 0;
  if (tokens[0].leadSep != 0 && *p == static_cast<char>(tokens[0].leadSep)) ++p;
  if (*p == '\0') return hvcnSUCCESS;

  for (;;) {
    hvcnToken& token = tokens[k];
    const char* end;
    if (token.trailSep == kSepAdjacent) {
      if (complex) {
        end = FindUnescapedCharOf(p, terminators + (k < terminatorCount ? k : terminatorCount));
      } else if (!IsLast(token) && k + 1 < hvcnTOKEN_COUNT) {
        const char set[3] = {static_cast<char>(tokens[k + 1].leadSep), format->slashChar, '\0'};
        end = FindUnescapedCharOf(p, set[0] ? set : set + 1);
      } else {
        end = p + std::strlen(p);
      }
    } else {
      end = FindUnescapedChar(p, static_cast<char>(token.trailSep));
    }
    token.valueOffset = static_cast<uint32_t>(p - start);
    token.valueLength = static_cast<uint32_t>(end - p);
    const char stop = *end;
    if (stop == '\0') {
      if (!(format->flags & hvcnFMT_NAME_COMPLETE)) token.tokenFlags |= hvcnTOK_OPEN_ENDED;
      return hvcnSUCCESS;
    }
    if (IsLast(token) || k + 1 >= hvcnTOKEN_COUNT) return hvcnSUCCESS;

    const char* previous = p;
    p = end + 1;
    if (ascii::IsSpace(*p)) ++p;
    if (*p == '\0') return hvcnSUCCESS;

    // The next token whose leading separator is here; tokens passed over
    // get an empty text.
    for (;;) {
      ++k;
      hvcnToken& next = tokens[k];
      const char lead = static_cast<char>(next.leadSep);
      if (lead != '\0' && stop == lead) break;
      if (lead != '\0' && *p == lead) {
        ++p;
        break;
      }
      next.valueLength = 0;
      if (IsLast(next) || k + 1 >= hvcnTOKEN_COUNT) {
        trace::If(trace::kError, trace::tag::kError, "Name does not fit format from '%s'", previous);
        return hvcnERR_NAME_DOES_NOT_FIT;
      }
    }
    if (*p == '\0') return hvcnSUCCESS;
  }
}

TokenText RawTextOf(hvcnFormat* format, const hvcnToken* token) noexcept {
  constexpr uint32_t kLimit = sizeof format->nameBuffer - 1;
  const uint32_t offset = token->valueOffset < kLimit ? token->valueOffset : kLimit;
  const uint32_t length = token->valueLength <= kLimit - offset ? token->valueLength : 0;
  char* begin = format->nameBuffer + offset;
  return {begin, begin + length, begin + length};
}

TokenText TextOf(hvcnFormat* format, const hvcnToken* token) noexcept {
  const TokenText raw = RawTextOf(format, token);
  char* begin = raw.begin;
  char* end = raw.end;
  char* trimmed = TrailingBlanks(begin, end);
  return {begin, end, trimmed};
}


}  // namespace hvcn::parse
