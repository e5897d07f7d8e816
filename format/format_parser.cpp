// The format-string parser: "%(NAME)" tokens with single-character
// separators, up to ten of them.
#include <cstring>

#include "core/ascii.h"
#include "core/frame.h"
#include "core/numbers.h"
#include "core/platform/chars.h"
#include "core/strings.h"
#include "core/trace.h"
#include "format/format.h"
#include "model/catalogue.h"

namespace hvcn::format {
namespace {

constexpr size_t kMaxTokenName = 25;
constexpr int32_t kFirstPositionId = hvcnTOKEN_POSITION_FIRST;

// Separator values of leadSep and trailSep besides a character.
constexpr uint8_t kSepNone = 0;      // start or end of the format string
constexpr uint8_t kSepAdjacent = 1;  // the neighbouring token follows directly

// Detail texts of syntax errors.
constexpr uint16_t kDetailSingleSeparator = 2001;
constexpr uint16_t kDetailAfterPercent = 2002;
constexpr uint16_t kDetailNoClosingParenthesis = 2003;
constexpr uint16_t kDetailSlashAfterX400 = 2004;
constexpr uint16_t kDetailUnexpectedCharacter = 2005;
constexpr uint16_t kDetailX400NotLast = 2006;

struct SectionName {
  const char* text;
  size_t length;
  int32_t id;
};
constexpr SectionName kSectionNames[] = {
    {"EFA", 3, hvcnTOKEN_EFA},
    {"NAME", 4, hvcnTOKEN_CANON},
    {"X400", 4, hvcnTOKEN_X400},
    {"CANON", 5, hvcnTOKEN_CANON},
    {"NONCANON", 8, hvcnTOKEN_NONCANON},
};


int32_t Fail(hvcnFormat* format, uint16_t detail) noexcept {
  RecordDetail(format, detail);
  return hvcnERR_BAD_FORMAT_STRING;
}

// The slot of a single-attribute token: a standard slot, a user attribute of
// that number or name, or a new user attribute. -1 when none is free.
int SlotOfAttributeToken(hvcnFormat* format, int32_t id, const char* name, size_t length) noexcept {
  int slot = model::SlotOfId(id);
  if (slot >= 0) return slot;
  slot = model::FindUserById(format, id);
  if (slot >= 0) return slot;
  slot = model::FindUserByName(format, name, length);
  if (slot >= 0) {
    if (format->attributes[slot].id == -1) format->attributes[slot].id = id;
    return slot;
  }
  slot = model::FreeUserSlot(format);
  trace::If(trace::kInfo, trace::tag::kInformation, "GFUA call from ParseFormatString returned %d", slot);
  if (slot < 0) return -1;
  hvcnAttribute& record = format->attributes[slot];
  CopyBounded(record.name, sizeof record.name, std::string_view(name, length));
  record.id = id;
  return slot;
}

}  // namespace

int32_t ClassifyTokenName(const char* name, size_t length) noexcept {
  if (length >= 3 && length <= 8)
    for (const auto& section : kSectionNames)
      if (section.length == length && ascii::EqualNoCase(name, section.text, length)) return section.id;
  if (length == 0) return 0;
  bool allDigits = true;
  for (const char* p = name; p < name + length; Step(p)) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c > 0x7F) {
      trace::If(trace::kInfo, trace::tag::kInformation, "GTID: Invalid character in token 0x%x", c);
      return 0;
    }
    allDigits = allDigits && ascii::IsDigit(*p);
  }
  return allDigits ? ReadDigits(name, name + length, 10) : -1;
}

namespace {

// The trailing separator after a token's ")" at p: "%%" (a literal '%'),
// the next token directly (adjacent), the end of the string, or one
// character below 0x80. Moves p past it; false for a character at or above
// 0x80.
bool ReadTrailingSeparator(const char** at, uint8_t* trail) noexcept {
  const char* p = *at;
  if (p[0] == '%' && p[1] == '%') {
    *trail = '%';
    *at = p + 2;
  } else if (p[0] == '%') {
    *trail = kSepAdjacent;
  } else if (p[0] == '\0') {
    *trail = kSepNone;
  } else if (static_cast<unsigned char>(p[0]) >= 0x80) {
    return false;
  } else {
    *trail = static_cast<uint8_t>(*p);
    *at = p + 1;
  }
  return true;
}

// Gives a read token its ID, its slot and the separators its kind implies:
// EFA parentheses, the slash before the other kinds, and the X400 token's
// rules about what may follow it.
int32_t ClassifyToken(hvcnFormat* format, hvcnToken* token, int32_t positionId, size_t length) noexcept {
  int32_t id = ClassifyTokenName(token->name, length);
  if (id == -1) id = positionId;
  token->id = id;
  const uint8_t slash = static_cast<uint8_t>(format->slashChar);
  switch (id) {
    case hvcnTOKEN_EFA:
      if (token->leadSep <= kSepAdjacent || token->trailSep <= kSepAdjacent) {
        token->leadSep = '(';
        token->trailSep = ')';
      }
      token->slot = hvcnSLOT_SECTION;
      return hvcnSUCCESS;
    case hvcnTOKEN_X400:
      if (token->leadSep == kSepAdjacent) token->leadSep = slash;
      token->slot = hvcnSLOT_SECTION;
      if (token->trailSep == slash) return Fail(format, kDetailSlashAfterX400);
      if (!(format->flags & hvcnFMT_COMPLEX) && token->trailSep == kSepAdjacent) return Fail(format, kDetailX400NotLast);
      return hvcnSUCCESS;
    case hvcnTOKEN_NONCANON:
    case hvcnTOKEN_CANON:
      if (token->leadSep == kSepAdjacent) token->leadSep = slash;
      token->slot = hvcnSLOT_SECTION;
      return hvcnSUCCESS;
    case 0:
      return hvcnERR_BAD_TOKEN_NAME;
    default: {
      if (token->leadSep == kSepAdjacent) token->leadSep = slash;
      const int slot = SlotOfAttributeToken(format, id, token->name, length);
      if (slot < 0) return hvcnERR_TOO_MANY_USER_ATTRIBUTES;
      token->slot = static_cast<uint32_t>(slot);
      return hvcnSUCCESS;
    }
  }
}

}  // namespace

// A format string is a run of tokens "%(NAME)", each optionally led by
// "%%" (a literal '%' separator) and followed by one separator character;
// a character outside the tokens is allowed only with a white-space
// character after it, and both are skipped.
int32_t ParseFormatTokens(const char* text, hvcnFormat* format, hvcnToken* tokens) noexcept {
  uint8_t pending = kSepNone;  // the separator the next token starts with
  hvcnToken* current = nullptr;
  int count = 0;
  const char* p = text;
  for (;;) {
    const char c = *p;
    if (c == '\0') break;
    Step(p);
    if (c != '%') {
      if (!ascii::IsSpace(*p)) return Fail(format, kDetailUnexpectedCharacter);
      ++p;
      continue;
    }
    if (!current) {
      if (count == hvcnTOKEN_COUNT) return hvcnERR_TOO_MANY_TOKENS;
      current = &tokens[count];
    }
    if (*p == '%') {
      if (pending != kSepNone) return Fail(format, kDetailSingleSeparator);
      pending = '%';
      current->leadSep = '%';
      continue;
    }
    if (*p != '(') return Fail(format, kDetailAfterPercent);
    const char* name = ++p;
    while (*p && *p != ')') Step(p);
    if (*p == '\0') return Fail(format, kDetailNoClosingParenthesis);
    const size_t length = static_cast<size_t>(p - name);
    if (length > kMaxTokenName) return hvcnERR_TOKEN_NAME_TOO_LONG;
    current->name = name;
    ++p;
    current->leadSep = pending;
    uint8_t trail;
    if (!ReadTrailingSeparator(&p, &trail)) return Fail(format, kDetailUnexpectedCharacter);
    current->trailSep = trail;
    if (int32_t status = ClassifyToken(format, current, kFirstPositionId + count, length)) return status;
    pending = trail;  // as found, before the EFA's parentheses
    ++count;
    current = nullptr;
  }
  if (count == 0) {
    trace::WriteLine(trace::tag::kError, "No tokens specified in format string.");
    tokens[0].tokenFlags |= hvcnTOK_LAST;
    return hvcnSUCCESS;
  }
  tokens[count - 1].tokenFlags |= hvcnTOK_LAST;
  return hvcnSUCCESS;
}

}  // namespace hvcn::format
