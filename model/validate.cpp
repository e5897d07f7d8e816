#include "model/validate.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/numbers.h"
#include "core/platform/chars.h"
#include "core/refusal_note.h"
#include "core/trace.h"
#include "model/slots.h"

namespace hvcn::model {
namespace {

// ---------------------------------------------------------------------------
// Character classes

constexpr uint8_t kNumeric = 1;    // digits and the blank
constexpr uint8_t kPrintable = 2;  // PrintableString's characters and '"' (IsPrintableStringCharacter)
constexpr uint8_t kMarker = 4;     // RS GS ETB SUB US: internal markers, always tolerated

constexpr std::array<uint8_t, 256> MakeByteClasses() {
  std::array<uint8_t, 256> t{};
  // The Printable class is PrintableString and the double quote, which the
  // attribute checks have always taken.
  for (int c = 0; c < 0x80; ++c)
    if (IsPrintableStringCharacter(static_cast<unsigned char>(c)) || c == '"') t[static_cast<size_t>(c)] = kPrintable;
  for (int c = '0'; c <= '9'; ++c) t[static_cast<size_t>(c)] |= kNumeric;
  t[' '] |= kNumeric;
  for (char c : {hvcnCHAR_RS, hvcnCHAR_GS, hvcnCHAR_ETB, hvcnCHAR_SUB, hvcnCHAR_US})
    t[static_cast<unsigned char>(c)] = kMarker;
  return t;
}
constexpr std::array<uint8_t, 256> kByteClass = MakeByteClasses();

enum class Judgement : uint8_t { Accept, Flag, Reject };

// The judgement of every first byte, per class (the wildcard aside, which
// every class tolerates and which can change while the process runs).
constexpr Judgement JudgeByte(ValueClass valueClass, unsigned char b) {
  if (kByteClass[b] & kMarker) return Judgement::Accept;
  switch (valueClass) {
    case ValueClass::Numeric:
      return (kByteClass[b] & kNumeric) ? Judgement::Accept : Judgement::Reject;
    case ValueClass::Printable:
      return (kByteClass[b] & kPrintable) ? Judgement::Accept : Judgement::Reject;
    case ValueClass::String:
      return b < 0x20 ? Judgement::Reject : b > 0x7F ? Judgement::Flag : Judgement::Accept;
    case ValueClass::TeletexOrPrintable:
      break;
  }
  return (kByteClass[b] & kPrintable) ? Judgement::Accept
         : b < 0x20                   ? Judgement::Reject
                                      : Judgement::Flag;
}

// One table per class, in the order of ValueClass.
template <typename Make>
constexpr auto PerClass(Make make) {
  return std::array{make(ValueClass::Numeric), make(ValueClass::Printable), make(ValueClass::String),
                    make(ValueClass::TeletexOrPrintable)};
}

using JudgementTable = std::array<Judgement, 256>;
constexpr auto kJudgements = PerClass([](ValueClass valueClass) {
  JudgementTable t{};
  for (int b = 0; b < 256; ++b) t[static_cast<size_t>(b)] = JudgeByte(valueClass, static_cast<unsigned char>(b));
  return t;
});

// Per class, the bytes that are a whole accepted character by themselves
// and need no further look: ASCII, accepted, neither the escape nor NUL.
// The check steps over runs of them at once.
using PlainTable = std::array<bool, 256>;
constexpr auto kPlain = PerClass([](ValueClass valueClass) {
  PlainTable t{};
  for (int b = 1; b < 0x80; ++b)
    t[static_cast<size_t>(b)] = b != '\\' && JudgeByte(valueClass, static_cast<unsigned char>(b)) == Judgement::Accept;
  return t;
});

// Judges a character by its first byte.
Judgement Judge(ValueClass valueClass, unsigned char b, unsigned char wildcard) noexcept {
  return b == wildcard ? Judgement::Accept : kJudgements[static_cast<size_t>(valueClass)][b];
}

Judgement Judge(ValueClass valueClass, unsigned char b) noexcept {
  return Judge(valueClass, b, static_cast<unsigned char>(ProcessWildcard()));
}

// What differs between the classes besides the characters they take.
struct ClassRule {
  int32_t badCharacter;  // status for a rejected character
  bool countsCharacters; // length in characters (else bytes)
  bool signedCompare;    // maximum compared as a signed number
};
constexpr ClassRule kClassRules[] = {
    {hvcnERR_NOT_NUMERIC, false, true},   // Numeric
    {hvcnERR_NOT_PRINTABLE, false, true}, // Printable
    {hvcnERR_BAD_VALUE, false, false},    // String
    {hvcnERR_BAD_VALUE, true, false},     // Teletex-or-printable
};

void TraceInvalid(unsigned char b) noexcept {
  trace::If(trace::kError, trace::tag::kError, "Invalid character found - '0x%x'", b);
}

// Judges one character of an initial or a generation qualifier as
// Teletex-or-printable and steps past it, counting its bytes. False for a
// control character.
bool TakeTeletexCharacter(const char*& p, int32_t* bytes, int32_t* needsTeletex) noexcept {
  unsigned char b = static_cast<unsigned char>(*p);
  Judgement j = Judge(ValueClass::TeletexOrPrintable, b);
  if (j == Judgement::Reject) {
    TraceInvalid(b);
    return false;
  }
  if (j == Judgement::Flag) *needsTeletex = 1;
  size_t n = CharBytes(p);
  *bytes += static_cast<int32_t>(n);
  p += n;
  return true;
}

// ---------------------------------------------------------------------------
// Checks by ID and by slot: the catalogue rows hold each attribute's check
// and maximum.

constexpr size_t kMaxPrintableList = 186;
constexpr int32_t kMaxPrintableLine = 30;
constexpr char kLineSeparator = '\x18';  // CAN

// The class numbers hvcnValidateAttribute takes in place of an ID: the
// caller's maximum is used unchanged.
struct ClassNumber {
  int32_t number;
  Check check;
};
constexpr ClassNumber kClassNumbers[] = {
    {hvcnCLASS_PRINTABLE, Check::Printable},
    {hvcnCLASS_NUMERIC, Check::Numeric},
    {hvcnCLASS_STRING, Check::String},
    {hvcnCLASS_TELETEX_OR_PRINTABLE, Check::TeletexOrPrintable},
};

// What SetAttributeValue does with a value for one of the slots of the
// X.400 address (the postal and extension attributes and the user
// attributes are stored unchecked).
struct StoreRule {
  Check check;
  int32_t maximum;
  int twin;     // the teletex slot (the slot itself for a twin), or -1
  bool direct;  // stored in the slot without a twin decision
};

// A base attribute that is Printable by ID takes teletex text into its
// twin when stored, so the setter checks it as Teletex-or-printable; a
// domain-defined value refused as non-ASCII by ID moves to its twin the
// same way. Numeric values and countries can never need teletex: they are
// stored directly.
constexpr StoreRule StoreRuleOf(int slot) noexcept {
  const SlotRow& row = RowOf(slot);
  Check check = row.check;
  if (check == Check::Printable) check = Check::TeletexOrPrintable;
  if (check == Check::StringAscii) check = Check::String;
  const bool direct = check == Check::Country || check == Check::Numeric;
  return {check, row.maximum, direct ? -1 : TwinOf(slot), direct};
}

constexpr bool IsCheckedOnStore(int slot) noexcept {
  return IsStandardSlot(slot) && RowOf(slot).group != Group::Postal;
}

// The rule of each slot, looked up for every value stored.
constexpr size_t kCheckedSlots = [] {
  size_t n = 0;
  while (n < kStandardSlots && IsCheckedOnStore(static_cast<int>(n))) ++n;
  return n;
}();
static_assert([] {
  for (int slot = 0; slot < kStandardSlots; ++slot)
    if (IsCheckedOnStore(slot) != (slot < static_cast<int>(kCheckedSlots))) return false;
  return true;
}(), "the checked slots come first");
constexpr std::array<StoreRule, kCheckedSlots> kStoreRules = [] {
  std::array<StoreRule, kCheckedSlots> rules{};
  for (size_t slot = 0; slot < rules.size(); ++slot) rules[slot] = StoreRuleOf(static_cast<int>(slot));
  return rules;
}();

// Runs a check; *flag reports non-ASCII (String) or needs-teletex.
int32_t RunCheck(Check check, const char* value, int32_t maximum, int32_t* flag) noexcept {
  *flag = 0;
  switch (check) {
    case Check::Printable:
      return CheckClass(ValueClass::Printable, value, maximum, flag);
    case Check::Numeric:
      return CheckClass(ValueClass::Numeric, value, maximum, flag);
    case Check::String:
      return CheckClass(ValueClass::String, value, maximum, flag);
    case Check::StringAscii: {
      int32_t result = CheckClass(ValueClass::String, value, maximum, flag);
      return (result <= 0 && *flag) ? hvcnERR_BAD_VALUE : result;
    }
    case Check::TeletexOrPrintable:
      return CheckClass(ValueClass::TeletexOrPrintable, value, maximum, flag);
    case Check::Country:
      return ValidateCountry(value);
    case Check::TerminalType: {
      int32_t result = CheckClass(ValueClass::Numeric, value, 3, flag);
      if (result > 0 || ReadInteger(value, 10) >= 257) return hvcnERR_BAD_TERMINAL_TYPE;
      return result;
    }
    case Check::PrintableList:
      return ValidatePrintableList(value);
    case Check::None:
      break;
  }
  return hvcnERR_UNKNOWN_ATTRIBUTE;
}

void Store(hvcnFormat* format, int slot, uint32_t offset, int32_t checkResult) noexcept {
  hvcnAttribute& record = format->attributes[slot];
  record.valueOffset = offset;
  record.valueLength = static_cast<uint32_t>(-checkResult);
}

bool PreferTeletex(const hvcnFormat* format) noexcept {
  return (format->flags & hvcnFMT_PREFER_TELETEX) != 0;
}
bool SevenBitOnly(const hvcnFormat* format) noexcept {
  return (format->flags & hvcnFMT_7BIT_ONLY) != 0;
}

// Stores initials or a generation qualifier after its own check.
int32_t CheckAndStorePersonalPart(hvcnFormat* format, uint32_t offset, bool dotRequired, int32_t checkResult,
                                  int32_t dotted, int32_t needsTeletex, int slot, const char* rejection) noexcept {
  if (checkResult > 0) return checkResult;
  if (dotRequired && !dotted) return hvcnERR_BAD_VALUE;
  if (!needsTeletex && !PreferTeletex(format)) {
    Store(format, slot, offset, checkResult);
    return hvcnSUCCESS;
  }
  if (SevenBitOnly(format)) {
    trace::If(trace::kInfo, trace::tag::kInformation, "%s", rejection);
    return hvcnERR_BAD_VALUE;
  }
  Store(format, TwinOf(slot), offset, checkResult);
  return hvcnSUCCESS;
}

// The same, noting a refusal for the explainer.
int32_t SetPersonalPart(hvcnFormat* format, uint32_t offset, bool dotRequired, int32_t checkResult,
                        int32_t dotted, int32_t needsTeletex, int slot, const char* rejection) noexcept {
  const int32_t status =
      CheckAndStorePersonalPart(format, offset, dotRequired, checkResult, dotted, needsTeletex, slot, rejection);
  if (status != hvcnSUCCESS) NoteRefusedValue(format, slot, offset);
  return status;
}

// The checks that every PrintableString character passes (the markers,
// the escape and the wildcard are none of them): their answer for such a
// value is its length, or too long.
constexpr bool TakesPrintableString(Check check) noexcept {
  return check == Check::TeletexOrPrintable || check == Check::String || check == Check::StringAscii;
}
static_assert([] {
  for (int b = 0; b < 256; ++b)
    if (IsPrintableStringCharacter(static_cast<unsigned char>(b)) &&
        (kPlain[static_cast<size_t>(ValueClass::TeletexOrPrintable)][static_cast<size_t>(b)] == false ||
         kPlain[static_cast<size_t>(ValueClass::String)][static_cast<size_t>(b)] == false))
      return false;
  return true;
}(), "PrintableString characters are plain in the classes that take them");

// A value stored in its slot itself passed the slot's store rule without a
// flag (a flagged one goes to the twin or is refused) unless the slot is
// its own twin. Without the flag the Teletex-or-printable check is the
// Printable one, and the String check the ASCII-only one, given the same
// maximum and an ASCII wildcard (whose bytes both count alike).
constexpr bool CoversId(int slot) noexcept {
  if (slot < 0 || slot >= static_cast<int>(kCheckedSlots)) return false;
  const StoreRule& rule = kStoreRules[static_cast<size_t>(slot)];
  const SlotRow& row = RowOf(slot);
  return SlotOfId(row.id) == slot && rule.maximum == row.maximum && (rule.check == row.check || rule.twin != slot);
}
constexpr auto kCoversId = [] {
  std::array<bool, kCheckedSlots> covers{};
  for (size_t slot = 0; slot < covers.size(); ++slot) covers[slot] = CoversId(static_cast<int>(slot));
  return covers;
}();

// A value's length when the caller vouches for its characters, else none.
constexpr int64_t kCharactersUnknown = -1;

// SetAttributeValue's check and store.
int32_t CheckAndStore(hvcnFormat* format, const char* value, uint32_t offset, int slot,
                      int64_t printableLength = kCharactersUnknown) noexcept {
  if (slot >= 0 && slot < static_cast<int>(kCheckedSlots)) {
    const StoreRule& rule = kStoreRules[static_cast<size_t>(slot)];
    int32_t flag = 0;
    int32_t result;
    if (printableLength >= 0 && TakesPrintableString(rule.check))
      result = printableLength > static_cast<uint32_t>(rule.maximum) ? hvcnERR_VALUE_TOO_LONG
                                                                    : -static_cast<int32_t>(printableLength);
    else
      result = RunCheck(rule.check, value, rule.maximum, &flag);
    if (result > 0) return result;
    if (rule.direct || (!flag && !PreferTeletex(format))) {
      Store(format, slot, offset, result);
      return hvcnSUCCESS;
    }
    if (rule.twin < 0) {
      trace::If(trace::kInfo, trace::tag::kInformation,
                "Rejecting attribute since there is no TX version for %d", slot);
      return hvcnERR_BAD_VALUE;
    }
    if (SevenBitOnly(format)) {
      trace::If(trace::kInfo, trace::tag::kInformation, "Rejecting attribute since configured for 7-bit only.");
      return hvcnERR_BAD_VALUE;
    }
    Store(format, rule.twin, offset, result);
    return hvcnSUCCESS;
  }
  // Postal and extension attributes and user attributes are stored unchecked.
  if (slot < 0 || slot >= kSlotCount || format->attributes[slot].id == 0) return hvcnERR_UNKNOWN_ATTRIBUTE;
  Store(format, slot, offset, -static_cast<int32_t>(std::strlen(value)));
  return hvcnSUCCESS;
}

}  // namespace

int32_t CheckClass(ValueClass valueClass, const char* value, int32_t maximum, int32_t* flag) noexcept {
  int32_t ignored = 0;
  if (!flag) flag = &ignored;
  const ClassRule& rule = kClassRules[static_cast<size_t>(valueClass)];
  const JudgementTable& judgements = kJudgements[static_cast<size_t>(valueClass)];
  // Held in locals: stores through `flag` could otherwise alias them.
  const bool countsCharacters = rule.countsCharacters;
  const bool signedCompare = rule.signedCompare;
  const auto wildcard = static_cast<unsigned char>(ProcessWildcard());
  int32_t flagged = 0;
  const PlainTable& plain = kPlain[static_cast<size_t>(valueClass)];
  const int64_t most = signedCompare ? maximum : static_cast<int64_t>(static_cast<uint32_t>(maximum));
  const char* p = value;
  int64_t length = 0;  // without escape backslashes
  for (;;) {
    // A run of plain characters, one past the most at the longest, so that
    // a value far too long is refused as soon as it is.
    const char* run = p;
    for (int64_t room = most - length + 1; room > 0 && plain[static_cast<unsigned char>(*p)]; --room) ++p;
    length += p - run;
    if (length > most) {
      *flag = flagged;
      return hvcnERR_VALUE_TOO_LONG;
    }
    if (*p == '\0') break;
    if (*p == '\\') {
      ++p;
      if (*p == '\0') break;  // a trailing escape ends the check
    }
    const auto b = static_cast<unsigned char>(*p);
    const Judgement j = b == wildcard ? Judgement::Accept : judgements[b];
    if (j == Judgement::Reject) {
      *flag = flagged;
      TraceInvalid(b);
      return rule.badCharacter;
    }
    if (j == Judgement::Flag) flagged = 1;
    if (b < 0x80) {
      ++p;
      ++length;
    } else {
      const size_t n = CharBytes(p);
      p += n;
      length += countsCharacters ? 1 : static_cast<int64_t>(n);
    }
    if (length > most) {
      *flag = flagged;
      return hvcnERR_VALUE_TOO_LONG;
    }
  }
  *flag = flagged;
  // The answer is the length in bytes, escapes included: a value longer
  // than a 32-bit answer can say is too long, however few characters it has.
  const ptrdiff_t bytes = p - value;
  if (bytes > INT32_MAX) return hvcnERR_VALUE_TOO_LONG;
  return -static_cast<int32_t>(bytes);
}

int32_t ValidateCountry(const char* value) noexcept {
  bool digits = value[0] >= '0' && value[0] <= '9';
  int32_t result = digits ? CheckClass(ValueClass::Numeric, value, 3)
                          : CheckClass(ValueClass::Printable, value, 2);
  return result > 0 ? hvcnERR_BAD_COUNTRY : result;
}

int32_t ValidateGenerationQualifier(const char* value, int32_t* endsWithDot,
                                    int32_t* needsTeletex) noexcept {
  *endsWithDot = 1;
  *needsTeletex = 0;
  const char* p = value;
  int32_t bytes = 0;  // before the dot, without escapes
  if (*p != '.') {
    while (*p && *p != '.') {
      if (*p == '\\') {
        ++p;
        if (*p == '\0') {
          trace::If(trace::kInfo, trace::tag::kInformation, "VG: Trailing escape means incomplete GQ");
          *endsWithDot = 0;
          break;
        }
      }
      if (!TakeTeletexCharacter(p, &bytes, needsTeletex)) return hvcnERR_BAD_VALUE;
    }
  }
  if (bytes > 3) return hvcnERR_VALUE_TOO_LONG;
  if (*p == '\0') {
    *endsWithDot = 0;
  } else if (p[1] != '\0') {
    return hvcnERR_BAD_VALUE;  // something after the final dot
  }
  return -static_cast<int32_t>(std::strlen(value));
}

int32_t ValidateInitials(const char* value, int32_t* allDotted, int32_t* needsTeletex) noexcept {
  *allDotted = 1;
  *needsTeletex = 0;
  const char wildcard = ProcessWildcard();
  const char* p = value;
  int32_t bytes = 0;  // dots not counted
  while (*p) {
    if (!TakeTeletexCharacter(p, &bytes, needsTeletex)) return hvcnERR_BAD_VALUE;
    if (bytes > 5) return hvcnERR_VALUE_TOO_LONG;
    if (*p == '.') {
      ++p;
    } else if (*p == '\0' || *p == wildcard) {
      *allDotted = 0;  // the wildcard is judged as the next initial
    } else {
      return hvcnERR_BAD_VALUE;
    }
  }
  return -static_cast<int32_t>(p - value);
}

int32_t ValidatePrintableList(const char* value) noexcept {
  size_t length = std::strlen(value);
  if (length == 0) return hvcnSUCCESS;
  if (length > kMaxPrintableList) return hvcnERR_VALUE_TOO_LONG;
  char copy[kMaxPrintableList + 1];
  std::memcpy(copy, value, length + 1);
  bool anyLine = false;
  for (char* line = copy; line <= copy + length;) {
    char* end = static_cast<char*>(std::memchr(line, kLineSeparator, static_cast<size_t>(copy + length - line)));
    if (!end) end = copy + length;
    *end = '\0';
    if (*line) {
      anyLine = true;
      int32_t result = CheckClass(ValueClass::Printable, line, kMaxPrintableLine);
      if (result > 0) return result;
    }
    line = end + 1;
  }
  return anyLine ? hvcnSUCCESS : hvcnERR_BAD_VALUE;
}

int32_t ValidateById(const char* value, int32_t maximum, int32_t id) noexcept {
  int32_t flag = 0;
  for (const ClassNumber& number : kClassNumbers) {
    if (number.number != id) continue;
    const int32_t result = RunCheck(number.check, value, maximum, &flag);
    return result > 0 ? result : hvcnSUCCESS;
  }
  const int slot = SlotOfId(id);
  if (slot < 0 || RowOf(slot).check == Check::None) return hvcnERR_UNKNOWN_ATTRIBUTE;
  const SlotRow& row = RowOf(slot);
  const int32_t result = RunCheck(row.check, value, maximum != 0 ? maximum : row.maximum, &flag);
  return result > 0 ? result : hvcnSUCCESS;
}

int32_t SetAttributeValue(hvcnFormat* format, const char* value, uint32_t offset, int slot) noexcept {
  const int32_t status = CheckAndStore(format, value, offset, slot);
  if (status != hvcnSUCCESS) NoteRefusedValue(format, slot, offset);
  return status;
}

bool StoreCheckCoversId(int slot) noexcept {
  return slot >= 0 && slot < static_cast<int>(kCheckedSlots) && kCoversId[static_cast<size_t>(slot)] &&
         static_cast<unsigned char>(ProcessWildcard()) < 0x80;
}

int32_t SetPrintableStringValue(hvcnFormat* format, const char* value, uint32_t length, uint32_t offset,
                                int slot) noexcept {
  const int32_t status = CheckAndStore(format, value, offset, slot, length);
  if (status != hvcnSUCCESS) NoteRefusedValue(format, slot, offset);
  return status;
}

int32_t StoreValue(hvcnFormat* format, char* start, char* end, int slot) noexcept {
  const char saved = *end;
  *end = '\0';
  const int32_t status = SetAttributeValue(format, start, static_cast<uint32_t>(start - format->nameBuffer), slot);
  *end = saved;
  return status;
}

int32_t SetInitials(hvcnFormat* format, const char* value, uint32_t offset, bool dotRequired) noexcept {
  int32_t dotted = 0;
  int32_t needsTeletex = 0;
  int32_t result = ValidateInitials(value, &dotted, &needsTeletex);
  return SetPersonalPart(format, offset, dotRequired, result, dotted, needsTeletex, kInitials,
                         "Rejecting initials since configured for 7-bit only.");
}

int32_t SetGenerationQualifier(hvcnFormat* format, const char* value, uint32_t offset,
                               bool dotRequired) noexcept {
  int32_t dotted = 0;
  int32_t needsTeletex = 0;
  int32_t result = ValidateGenerationQualifier(value, &dotted, &needsTeletex);
  return SetPersonalPart(format, offset, dotRequired, result, dotted, needsTeletex, kGeneration,
                         "Rejecting GQ since configured for 7-bit only.");
}

}  // namespace hvcn::model
