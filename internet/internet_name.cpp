// Internet mailboxes: a name is normalised twice (without blanks for the
// grammar, with blanks for the caller) and the compact text is matched
// against the RFC 822 mailbox grammar by recursive descent on the text
// itself. Every scan is iterative and every pass is linear in the length of
// the name: the only nesting construct, the comment, is counted rather than
// recursed into, and scans that ran to the end without closing are
// remembered so that a later quote, bracket or parenthesis inside them is
// not scanned again.
#include "internet/internet_name.h"

#include <array>
#include <cstring>
#include <string_view>

#include "core/platform/os.h"

namespace hvcn {
namespace {

// Character classes on single bytes; bytes 0x80 and above belong to none.
enum : uint8_t {
  kAtom = 1 << 0,      // 0x21 to 0x7E except the specials
  kSpecial = 1 << 1,   // ( ) < > @ , ; : \ . [ ] "
  kCtext = 1 << 2,     // comment text: 0x01 to 0x7F except ( ) backslash
  kQtext = 1 << 3,     // quoted text: 0x01 to 0x7F except " backslash
  kDtext = 1 << 4,     // domain literal text: 0x01 to 0x7F except [ ] backslash
  kBlank = 1 << 5,     // linear white space: blank and tab, no folding
  kPairable = 1 << 6,  // may follow a backslash in a quoted pair: 0x01 to 0x7F
};

constexpr std::array<uint8_t, 256> MakeClasses() {
  constexpr std::string_view kSpecials = "()<>@,;:\\.[]\"";
  std::array<uint8_t, 256> table{};
  for (unsigned c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    const bool special = kSpecials.find(ch) != std::string_view::npos;
    unsigned bits = 0;
    if (special) bits |= kSpecial;
    if (c >= 0x21 && c <= 0x7E && !special) bits |= kAtom;
    if (c >= 0x01 && c <= 0x7F) {
      bits |= kPairable;
      if (ch != '(' && ch != ')' && ch != '\\') bits |= kCtext;
      if (ch != '"' && ch != '\\') bits |= kQtext;
      if (ch != '[' && ch != ']' && ch != '\\') bits |= kDtext;
    }
    if (ch == ' ' || ch == '\t') bits |= kBlank;
    table[c] = static_cast<uint8_t>(bits);
  }
  return table;
}

constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

inline bool Is(char c, unsigned classes) noexcept {
  return (kClasses[static_cast<unsigned char>(c)] & classes) != 0;
}

// What the first walk over a name notes about a byte.
enum class FirstWalk : uint8_t { kOther, kSlash, kAt, kDropped, kHigh };

constexpr std::array<FirstWalk, 256> MakeFirstWalk() {
  std::array<FirstWalk, 256> table{};
  for (unsigned c = 0x80; c < 256; ++c) table[c] = FirstWalk::kHigh;
  table['/'] = FirstWalk::kSlash;
  table['@'] = FirstWalk::kAt;
  table[' '] = table['\t'] = table['('] = FirstWalk::kDropped;
  return table;
}

constexpr std::array<FirstWalk, 256> kFirstWalk = MakeFirstWalk();

inline bool IsQuotedPair(const char* p) noexcept { return p[0] == '\\' && Is(p[1], kPairable); }

// ---------------------------------------------------------------------------
// Scans shared by the normaliser and the grammar. Each takes a position on
// its opening byte and returns the position after the match, or null with
// *stop set to the byte where the scan gave up (the NUL, a byte outside the
// class, a backslash without a usable second byte, or a '[' in a literal).

// A run of `text` bytes and quoted pairs ended by `close`.
const char* DelimitedEnd(const char* p, char close, unsigned text, const char** stop) noexcept {
  for (;;) {
    if (*p == close) return p + 1;
    if (Is(*p, text)) {
      ++p;
    } else if (IsQuotedPair(p)) {
      p += 2;
    } else {
      *stop = p;
      return nullptr;
    }
  }
}

const char* QuotedStringEnd(const char* p, const char** stop) noexcept {
  return DelimitedEnd(p + 1, '"', kQtext, stop);
}

const char* DomainLiteralEnd(const char* p, const char** stop) noexcept {
  return DelimitedEnd(p + 1, ']', kDtext, stop);
}

const char* AtomEnd(const char* p) noexcept {
  if (!Is(*p, kAtom)) return nullptr;
  do ++p;
  while (Is(*p, kAtom));
  return p;
}

enum class CommentScan { kClosed, kUnterminated, kTooDeep };

struct CommentEnd {
  CommentScan result;
  const char* end;  // after the ')' when closed, else where the scan stopped
  int depth;        // levels left open when unterminated
};

// The comment at p, nesting counted (in a counter as wide as the text can be
// long) rather than recursed into. opened[j - 1] receives the last position
// where level j was opened, for the first kTrackedOpenLevels levels.
CommentEnd ScanComment(const char* p, const char** opened) noexcept {
  size_t depth = 0;
  for (;;) {
    const char c = *p;
    if (c == '(') {
      if (depth < kTrackedOpenLevels) opened[depth] = p;
      ++depth;
      ++p;
    } else if (c == ')') {
      ++p;
      if (--depth == 0) return {CommentScan::kClosed, p, 0};
    } else if (Is(c, kCtext)) {
      ++p;
    } else if (IsQuotedPair(p)) {
      p += 2;
    } else if (depth > kTrackedOpenLevels) {
      return {CommentScan::kTooDeep, p, kTrackedOpenLevels};
    } else {
      return {CommentScan::kUnterminated, p, static_cast<int>(depth)};
    }
  }
}

// ---------------------------------------------------------------------------
// Normaliser

// The comment attempts of one pass. The first comment that does not close
// runs to where the usable text ends, so every later '(' the pass meets lies
// inside it and reads the rest of the text in step with it. Such a '(' opens
// a comment that closes exactly when the first scan's level later falls
// below the level at that '('; it never does once the scan has passed the
// last opening of that level. With those last openings kept (at most
// kTrackedOpenLevels of them) and the first scan's level followed along,
// each later '(' is decided without a scan to the end: many "(" or "\(" in a
// row stay linear.
class CommentSkipper {
 public:
  // kClosed with *end after the comment; kUnterminated when the '(' at p
  // opens no comment; kTooDeep when it opens none and leaves more levels
  // open than are followed.
  CommentScan Skip(const char* p, const char** end) noexcept {
    if (open_) {
      Follow(p);
      if (level_ >= 1 && level_ <= openLevels_ && p >= lastOpened_[level_ - 1])
        return CommentScan::kUnterminated;
    }
    const char* opened[kTrackedOpenLevels];
    CommentEnd comment = ScanComment(p, opened);
    if (comment.result == CommentScan::kUnterminated && !open_) {
      open_ = true;
      openLevels_ = comment.depth;
      std::memcpy(lastOpened_, opened, sizeof(const char*) * static_cast<size_t>(comment.depth));
      follower_ = p;
      level_ = 0;
    }
    *end = comment.end;
    return comment.result;
  }

 private:
  // Moves the follower of the unterminated comment over p. Inside it every
  // backslash starts a quoted pair, and p lies before where it stopped.
  void Follow(const char* p) noexcept {
    while (follower_ <= p) {
      const char c = *follower_;
      if (c == '(') {
        ++level_;
      } else if (c == ')') {
        --level_;
      } else if (c == '\\') {
        ++follower_;
      }
      ++follower_;
    }
  }

  bool open_ = false;
  int openLevels_ = 0;
  const char* lastOpened_[kTrackedOpenLevels];
  const char* follower_ = nullptr;
  ptrdiff_t level_ = 0;  // may pass the followed levels on its way
};

// Quoted strings and domain literals of one pass. A scan that gives up at a
// byte leaves every later opening before that byte to the same fate: such an
// opening was a quoted pair's second byte in the first scan, and both scans
// read the same bytes after it.
class DelimitedItems {
 public:
  explicit DelimitedItems(const char* text) noexcept : quotesFailBefore_(text), literalsFailBefore_(text) {}

  const char* QuotedString(const char* p) noexcept {
    if (p < quotesFailBefore_) return nullptr;
    return QuotedStringEnd(p, &quotesFailBefore_);
  }

  const char* DomainLiteral(const char* p) noexcept {
    if (p < literalsFailBefore_) return nullptr;
    return DomainLiteralEnd(p, &literalsFailBefore_);
  }

 private:
  const char* quotesFailBefore_;
  const char* literalsFailBefore_;
};

// No blank after the characters that bind the parts of an address, none
// before them, and none at the end.
inline bool BindsToNext(char c) noexcept { return c == '@' || c == '.' || c == '<'; }
inline bool BindsToPrevious(char c) noexcept { return c == '\0' || c == '@' || c == '.' || c == '>'; }

// ---------------------------------------------------------------------------
// Mailbox grammar on a compact text (no blanks, no comments). Each production
// returns the position after its match or null; all of them are greedy and
// never look back more than one "." or a run of ",".

const char* Word(const char* p) noexcept {
  if (*p == '"') {
    const char* stop;
    if (const char* end = QuotedStringEnd(p, &stop)) return end;
  }
  return AtomEnd(p);
}

const char* SubDomain(const char* p) noexcept {
  if (*p == '[') {
    const char* stop;
    if (const char* end = DomainLiteralEnd(p, &stop)) return end;
  }
  return AtomEnd(p);
}

// word, then any number of "." word.
const char* LocalPart(const char* p) noexcept {
  p = Word(p);
  if (!p) return nullptr;
  while (*p == '.') {
    const char* next = Word(p + 1);
    if (!next) break;
    p = next;
  }
  return p;
}

// sub-domain, then any number of "." sub-domain.
const char* Domain(const char* p) noexcept {
  p = SubDomain(p);
  if (!p) return nullptr;
  while (*p == '.') {
    const char* next = SubDomain(p + 1);
    if (!next) break;
    p = next;
  }
  return p;
}

const char* AddrSpec(const char* p) noexcept {
  p = LocalPart(p);
  if (!p || *p != '@') return nullptr;
  return Domain(p + 1);
}

const char* Phrase(const char* p) noexcept {
  p = Word(p);
  if (!p) return nullptr;
  while (const char* next = Word(p)) p = next;
  return p;
}

// "@" domain, then any number of (one or more "," then "@" domain), then ":".
const char* Route(const char* p) noexcept {
  if (*p != '@') return nullptr;
  p = Domain(p + 1);
  if (!p) return nullptr;
  for (;;) {
    const char* q = p;
    if (*q != ',') break;
    while (*q == ',') ++q;
    if (*q != '@') break;
    q = Domain(q + 1);
    if (!q) break;
    p = q;
  }
  return *p == ':' ? p + 1 : nullptr;
}

const char* RouteAddr(const char* p) noexcept {
  if (*p != '<') return nullptr;
  ++p;
  if (const char* afterRoute = Route(p)) p = afterRoute;
  p = AddrSpec(p);
  if (!p || *p != '>') return nullptr;
  return p + 1;
}

}  // namespace

bool NormaliseInternetName(const char* input, char* output, bool withBlanks) noexcept {
  CommentSkipper comments;
  DelimitedItems delimited(input);
  const char* p = input;
  char* out = output;
  char lastOfItem = '\0';  // last input character of the item written last
  bool written = false;
  for (;;) {
    // Blanks, tabs and comments, in any order.
    for (;;) {
      while (Is(*p, kBlank)) ++p;
      if (*p != '(') break;
      const char* end;
      const CommentScan skipped = comments.Skip(p, &end);
      if (skipped == CommentScan::kTooDeep) {
        *out = '\0';
        return false;
      }
      if (skipped == CommentScan::kUnterminated) break;  // the '(' is an item
      p = end;
    }
    if (withBlanks && written && !BindsToNext(lastOfItem) && !BindsToPrevious(*p)) *out++ = ' ';
    if (*p == '\0') break;

    if (Is(*p, kAtom)) {
      char c = *p;
      do {
        *out++ = c;
        c = *++p;
      } while (Is(c, kAtom));
    } else {
      const char* end = nullptr;
      if (*p == '"') {
        end = delimited.QuotedString(p);
      } else if (*p == '[') {
        end = delimited.DomainLiteral(p);
      }
      if (end) {
        const size_t length = static_cast<size_t>(end - p);
        std::memcpy(out, p, length);
        out += length;
        p = end;
      } else if (Is(*p, kSpecial)) {
        *out++ = *p++;
      } else {
        *out = '\0';
        return false;
      }
    }
    lastOfItem = p[-1];
    written = true;
  }
  *out = '\0';
  return true;
}

bool MatchMailbox(const char* text) noexcept {
  if (const char* end = AddrSpec(text)) return *end == '\0';
  const char* p = Phrase(text);
  if (!p) return false;
  p = RouteAddr(p);
  return p && *p == '\0';
}

uint32_t ParseInternetName(const char* name, char* output) noexcept {
  if (!name || !output) return 0;
  // One walk finds an "@" after the first "/" (an X.400 text that carries a
  // foreign address), the first byte 0x80 or above, and whether anything
  // can be dropped by the normaliser.
  const char* high = nullptr;
  bool slash = false;
  bool dropsText = false;
  for (const char* p = name; *p != '\0'; ++p) {
    switch (kFirstWalk[static_cast<unsigned char>(*p)]) {
      case FirstWalk::kOther: break;
      case FirstWalk::kSlash: slash = true; break;
      case FirstWalk::kAt:
        if (slash) return 0;
        break;
      case FirstWalk::kDropped: dropsText = true; break;
      case FirstWalk::kHigh:
        if (!high) high = p;
        break;
    }
  }
  // A double-byte character anywhere is not an internet name. Lead bytes are
  // never ASCII, so the characters before the first byte 0x80 or above are
  // single bytes and the platform's walk can start there.
  if (high)
    for (const char* p = high; *p != '\0'; p = os::CharNextA(p))
      if (os::IsDBCSLeadByte(static_cast<unsigned char>(*p))) return 0;

  // Without blanks, tabs and '(' nothing is dropped: the compact text is the
  // name itself. Where its normalisation would fail (at a byte that is no
  // item), the grammar, which reads the same items in the same order, fails
  // at that byte too.
  const char* compact = name;
  if (dropsText) {
    if (!NormaliseInternetName(name, output, false)) return 0;
    compact = output;
  }
  if (!MatchMailbox(compact)) return 0;
  NormaliseInternetName(name, output, true);
  return 1;
}

}  // namespace hvcn
