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
  std::memcpy(record.name, name, length);
  record.name[length] = '\0';
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

int32_t ParseFormatTokens(const char* text, hvcnFormat* format, hvcnToken* tokens) noexcept {
  uint8_t pending = kSepNone;  // the separator the next token starts with
  hvcnToken* current = nullptr;
  int count = 0;
  int32_t nextPositionId = kFirstPositionId;
  const char* p = text;
  for (;;) {
    char c = *p;
    if (c == '\0') break;
    Step(p);
    if (c != '%') {
      // A character outside the tokens is skipped only with the white-space
      // character after it.
      if (ascii::IsSpace(*p)) {
        ++p;
        continue;
      }
      return Fail(format, kDetailUnexpectedCharacter);
    }
    if (!current) {
      if (count == hvcnTOKEN_COUNT) return hvcnERR_TOO_MANY_TOKENS;
      current = &tokens[count];
    }
    if (*p == '%') {
      // "%%" writes a literal '%' separator before the token.
      if (pending != kSepNone) return Fail(format, kDetailSingleSeparator);
      pending = '%';
      current->leadSep = '%';
      continue;
    }
    if (*p != '(') return Fail(format, kDetailAfterPercent);
    ++p;
    const char* name = p;
    while (*p && *p != ')') Step(p);
    if (*p == '\0') return Fail(format, kDetailNoClosingParenthesis);
    size_t length = static_cast<size_t>(p - name);
    if (length > kMaxTokenName) return hvcnERR_TOKEN_NAME_TOO_LONG;
    current->name = name;
    ++p;
    current->leadSep = pending;

    uint8_t trail;
    if (p[0] == '%' && p[1] == '%') {
      trail = '%';
      p += 2;
    } else if (p[0] == '%') {
      trail = kSepAdjacent;
    } else if (p[0] == '\0') {
      trail = kSepNone;
    } else if (static_cast<unsigned char>(p[0]) >= 0x80) {
      return Fail(format, kDetailUnexpectedCharacter);
    } else {
      trail = static_cast<uint8_t>(*p++);
    }
    current->trailSep = trail;

    int32_t id = ClassifyTokenName(name, length);
    if (id == -1) id = nextPositionId;
    current->id = id;
    const uint8_t slash = static_cast<uint8_t>(format->slashChar);
    switch (id) {
      case hvcnTOKEN_EFA:
        if (current->leadSep <= kSepAdjacent || current->trailSep <= kSepAdjacent) {
          current->leadSep = '(';
          current->trailSep = ')';
        }
        current->slot = hvcnSLOT_SECTION;
        break;
      case hvcnTOKEN_X400:
        if (current->leadSep == kSepAdjacent) current->leadSep = slash;
        current->slot = hvcnSLOT_SECTION;
        if (current->trailSep == slash) return Fail(format, kDetailSlashAfterX400);
        if (!(format->flags & hvcnFMT_COMPLEX) && current->trailSep == kSepAdjacent)
          return Fail(format, kDetailX400NotLast);
        break;
      case hvcnTOKEN_NONCANON:
      case hvcnTOKEN_CANON:
        if (current->leadSep == kSepAdjacent) current->leadSep = slash;
        current->slot = hvcnSLOT_SECTION;
        break;
      case 0:
        return hvcnERR_BAD_TOKEN_NAME;
      default: {
        if (current->leadSep == kSepAdjacent) current->leadSep = slash;
        int slot = SlotOfAttributeToken(format, id, name, length);
        if (slot < 0) return hvcnERR_TOO_MANY_USER_ATTRIBUTES;
        current->slot = static_cast<uint32_t>(slot);
        break;
      }
    }
    pending = trail;  // as found, before the EFA's parentheses
    ++count;
    ++nextPositionId;
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
