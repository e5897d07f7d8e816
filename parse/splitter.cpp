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

namespace {

// The splitter's state: the tokens, where the text is, and (with complex
// formats, where a token ends at any later token's separator) the leading
// separators of the tokens in order.
class Splitter {
 public:
  explicit Splitter(hvcnFormat* format) noexcept
      : f_(format), tokens_(format->tokens), complex_((format->flags & hvcnFMT_COMPLEX) != 0) {}

  int32_t Split() noexcept {
    ResetTokens();
    const char* p = f_->nameBuffer;
    if (tokens_[0].leadSep != 0 && *p == static_cast<char>(tokens_[0].leadSep)) ++p;
    if (*p == '\0') return hvcnSUCCESS;
    for (int k = 0;;) {
      hvcnToken& token = tokens_[k];
      const char* end = TokenEnd(k, p);
      token.valueOffset = static_cast<uint32_t>(p - f_->nameBuffer);
      token.valueLength = static_cast<uint32_t>(end - p);
      const char stop = *end;
      if (stop == '\0') {
        if (!(f_->flags & hvcnFMT_NAME_COMPLETE)) token.tokenFlags |= hvcnTOK_OPEN_ENDED;
        return hvcnSUCCESS;
      }
      if (IsLast(token) || k + 1 >= hvcnTOKEN_COUNT) return hvcnSUCCESS;
      const char* previous = p;
      p = end + 1;
      if (ascii::IsSpace(*p)) ++p;
      if (*p == '\0') return hvcnSUCCESS;
      if (!NextToken(stop, previous, &k, &p)) return hvcnERR_NAME_DOES_NOT_FIT;
      if (*p == '\0') return hvcnSUCCESS;
    }
  }

 private:
  // Every token without text; the terminators of a complex format.
  void ResetTokens() noexcept {
    for (auto& token : f_->tokens) {
      token.tokenFlags &= hvcnTOK_LAST;
      token.valueOffset = 0;
      token.valueLength = hvcnVALUE_ABSENT;
      if (complex_ && token.leadSep != 0) terminators_[terminatorCount_++] = static_cast<char>(token.leadSep);
    }
  }

  // Where the text of token k, starting at p, ends: at its trailing
  // separator, or (when it has none of its own) at the next token's leading
  // separator or the slash, at any later token's separator in a complex
  // format, or at the end of the name.
  const char* TokenEnd(int k, const char* p) const noexcept {
    const hvcnToken& token = tokens_[k];
    if (token.trailSep != kSepAdjacent) return FindUnescapedChar(p, static_cast<char>(token.trailSep));
    if (complex_) return FindUnescapedCharOf(p, terminators_ + (k < terminatorCount_ ? k : terminatorCount_));
    if (IsLast(token) || k + 1 >= hvcnTOKEN_COUNT) return p + std::strlen(p);
    const char set[3] = {static_cast<char>(tokens_[k + 1].leadSep), f_->slashChar, '\0'};
    return FindUnescapedCharOf(p, set[0] ? set : set + 1);
  }

  // Moves *k to the next token whose leading separator is the one that
  // stopped the text (stop) or stands at *p (then passed); the tokens passed
  // over get an empty text. False when none is left.
  bool NextToken(char stop, const char* previous, int* k, const char** p) noexcept {
    for (;;) {
      hvcnToken& next = tokens_[++*k];
      const char lead = static_cast<char>(next.leadSep);
      if (lead != '\0' && stop == lead) return true;
      if (lead != '\0' && **p == lead) {
        ++*p;
        return true;
      }
      next.valueLength = 0;
      if (IsLast(next) || *k + 1 >= hvcnTOKEN_COUNT) {
        trace::If(trace::kError, trace::tag::kError, "Name does not fit format from '%s'", previous);
        return false;
      }
    }
  }

  hvcnFormat* f_;
  hvcnToken* tokens_;
  const bool complex_;
  char terminators_[hvcnTOKEN_COUNT + 1] = {};
  int terminatorCount_ = 0;
};

}  // namespace

int32_t SplitNameByFormat(hvcnFormat* format) noexcept { return Splitter(format).Split(); }

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
