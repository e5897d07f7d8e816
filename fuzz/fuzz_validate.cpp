// The value checks: hvcnValidateAttribute and the four class checks.
//
// Input: which check (1 byte), maximum (1 byte, or 4 when the byte is 0xFF),
// attribute ID or class (1 byte index into the known IDs, or 4 bytes when
// it is 0xFF), then the value.
// Properties: results follow the class-check convention (zero or minus the
// value's byte length when acceptable, else a status of the class); a value
// acceptable under a maximum stays acceptable under a larger one; a value of
// exactly the maximum passes and one more fails (ASCII values); the classes
// nest (numeric within printable within teletex-or-printable; string and
// teletex-or-printable accept the same bytes); hvcnValidateAttribute gives a
// documented status and agrees with the class check its ID names.
#include <climits>
#include <string>

#include "fuzz_support.h"

using namespace hvcn::fuzz;

namespace {

enum class Kind { Printable, Numeric, String, StringAscii, Teletex, Country, TerminalType, PostalList, Unknown };

struct IdRule {
  Kind kind;
  int32_t defaultMaximum;  // 0: the caller's maximum, unchanged
};

IdRule RuleOf(int32_t id) {
  switch (id) {
    case 5000: return {Kind::Printable, 0};
    case 5001: return {Kind::Numeric, 0};
    case 5002: return {Kind::String, 0};
    case 5003: return {Kind::Teletex, 0};
    case 1: case 27: return {Kind::Printable, 40};
    case 2: case 11: case 12: case 30: case 32: return {Kind::Printable, 16};
    case 3: return {Kind::Printable, 5};
    case 4: case 31: return {Kind::Printable, 3};
    case 5: case 6: case 7: case 8: return {Kind::Printable, 32};
    case 9: case 24: return {Kind::Printable, 64};
    case 10: return {Kind::Country, 0};
    case 13: return {Kind::Numeric, 15};
    case 14: return {Kind::Numeric, 32};
    case 15: return {Kind::Printable, 24};
    case 16: case 18: case 20: case 22: return {Kind::Printable, 8};
    case 17: case 19: case 21: case 23: return {Kind::StringAscii, 128};
    case 25: case 61: case 63: case 65: case 67: return {Kind::String, 128};
    case 26: return {Kind::Printable, 15};
    case 29: return {Kind::TerminalType, 0};
    case 33: case 34: case 35: case 36: case 37: case 38: case 39: case 40: case 42: case 43: case 44:
      return {Kind::Printable, 30};
    case 41: return {Kind::PostalList, 0};
    case 51: return {Kind::Teletex, 40};
    case 52: return {Kind::Teletex, 16};
    case 53: return {Kind::Teletex, 5};
    case 54: return {Kind::Teletex, 3};
    case 55: case 56: case 57: case 58: return {Kind::Teletex, 32};
    case 59: case 68: return {Kind::Teletex, 64};
    case 60: case 62: case 64: case 66: return {Kind::Teletex, 8};
    case 74: return {Kind::Teletex, 185};
    case 70: case 71: case 72: case 73: case 75: case 76: case 77: case 78: case 80: case 81: case 82:
      return {Kind::Teletex, 30};
    default: return {Kind::Unknown, 0};
  }
}

bool Acceptable(int32_t result) { return result <= 0; }

int32_t CheckP(const char* v, int32_t m) { return hvcnValidatePString(v, m); }
int32_t CheckN(const char* v, int32_t m) { return hvcnValidateNString(v, m); }
int32_t CheckS(const char* v, int32_t m, int32_t* flag) { return hvcnValidateString(v, m, flag); }
int32_t CheckT(const char* v, int32_t m, int32_t* flag) { return hvcnValidateTeletexOrPString(v, m, flag); }

// The status of one class check turned into hvcnValidateAttribute's answer.
int32_t AsStatus(int32_t result) { return Acceptable(result) ? hvcnSUCCESS : result; }

bool IsAscii(std::string_view v) {
  for (unsigned char c : v)
    if (c >= 0x80) return false;
  return true;
}

// The counted length of an ASCII value: escape backslashes left out, and a
// backslash at the very end ends the count.
int32_t CountedLength(std::string_view v) {
  int32_t n = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\\') {
      if (i + 1 == v.size()) break;
      ++i;
    }
    ++n;
  }
  return n;
}

// The expected answer of hvcnValidateAttribute, worked out with the class
// checks; false when the maximum takes the check where the exports cannot
// follow (a negative maximum).
bool Expected(const ExactText& value, int32_t maximum, int32_t id, int32_t* expected) {
  const IdRule rule = RuleOf(id);
  const char* v = value.c_str();
  int32_t flag = 0;
  const int32_t m = maximum != 0 ? maximum : rule.defaultMaximum;
  switch (rule.kind) {
    case Kind::Unknown: *expected = hvcnERR_UNKNOWN_ATTRIBUTE; return true;
    case Kind::Country: {
      const bool digit = v[0] >= '0' && v[0] <= '9';
      const int32_t r = digit ? CheckN(v, 3) : CheckP(v, 2);
      *expected = Acceptable(r) ? hvcnSUCCESS : hvcnERR_BAD_COUNTRY;
      return true;
    }
    case Kind::TerminalType: {
      const int32_t r = CheckN(v, 3);
      if (!Acceptable(r)) {
        *expected = hvcnERR_BAD_TERMINAL_TYPE;
        return true;
      }
      for (size_t i = 0; i < value.size(); ++i)
        if (v[i] < '0' || v[i] > '9') return false;  // blanks and markers: left to the golden cases
      *expected = std::atoi(v) < 257 ? hvcnSUCCESS : hvcnERR_BAD_TERMINAL_TYPE;
      return true;
    }
    case Kind::PostalList: {
      if (value.size() == 0) {
        *expected = hvcnSUCCESS;
        return true;
      }
      if (value.size() > 186) {
        *expected = hvcnERR_VALUE_TOO_LONG;
        return true;
      }
      bool any = false;
      std::string_view rest = value.view();
      while (true) {
        const size_t can = rest.find('\x18');
        const std::string_view line = rest.substr(0, can);
        if (!line.empty()) {
          any = true;
          const ExactText copy(line);
          const int32_t r = CheckP(copy.c_str(), 30);
          if (!Acceptable(r)) {
            *expected = r;
            return true;
          }
        }
        if (can == std::string_view::npos) break;
        rest.remove_prefix(can + 1);
      }
      *expected = any ? hvcnSUCCESS : hvcnERR_BAD_VALUE;
      return true;
    }
    default: break;
  }
  if (m < 1) {
    // Numeric and printable compare the maximum as a signed number, the
    // other two as unsigned: a negative maximum is then no limit at all.
    if (rule.kind == Kind::Printable || rule.kind == Kind::Numeric) return false;
    if (m == 0) return false;
  }
  const int32_t limit = m < 1 ? INT32_MAX : m;
  switch (rule.kind) {
    case Kind::Printable: *expected = AsStatus(CheckP(v, limit)); return true;
    case Kind::Numeric: *expected = AsStatus(CheckN(v, limit)); return true;
    case Kind::Teletex: *expected = AsStatus(CheckT(v, limit, &flag)); return true;
    case Kind::String: *expected = AsStatus(CheckS(v, limit, &flag)); return true;
    case Kind::StringAscii: {
      const int32_t r = CheckS(v, limit, &flag);
      *expected = !Acceptable(r) ? r : (flag ? hvcnERR_BAD_VALUE : hvcnSUCCESS);
      return true;
    }
    default: return false;
  }
}

// The known IDs and classes, so that most inputs reach a real check.
constexpr int32_t kIds[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                            22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42,
                            43, 44, 45, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67,
                            68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 0,  -1, 5000, 5001,
                            5002, 5003, 4999, 5004};

void CheckClassResult(int32_t result, int32_t flag, std::string_view value, std::initializer_list<int32_t> failures,
                      const char* what) {
  if (Acceptable(result)) {
    Check(result == -static_cast<int32_t>(value.size()), what, "acceptable result is minus the byte length");
  } else {
    CheckStatus(result, failures, what);
  }
  Check(flag == 0 || flag == 1, what, "flag is 0 or 1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TrimTraceLog();
  Input in(data, size);
  const uint8_t which = in.Byte();
  const uint8_t maxByte = in.Byte();
  const int32_t maximum = maxByte == 0xFF ? in.I32() : static_cast<int32_t>(static_cast<int8_t>(maxByte));
  const uint8_t idByte = in.Byte();
  const int32_t id = idByte == 0xFF ? in.I32() : kIds[idByte % std::size(kIds)];
  const ExactText value(in.Rest());
  const char* v = value.c_str();
  const std::string_view text = value.view();

  // Every class check, unbounded, and under the input's maximum.
  int32_t sFlag = -1, tFlag = -1, flag = -1;
  const int32_t p = CheckP(v, INT32_MAX);
  const int32_t n = CheckN(v, INT32_MAX);
  const int32_t s = CheckS(v, INT32_MAX, &sFlag);
  const int32_t t = CheckT(v, INT32_MAX, &tFlag);
  CheckClassResult(p, 0, text, {hvcnERR_NOT_PRINTABLE}, "printable check");
  CheckClassResult(n, 0, text, {hvcnERR_NOT_NUMERIC}, "numeric check");
  CheckClassResult(s, sFlag, text, {hvcnERR_BAD_VALUE}, "string check");
  CheckClassResult(t, tFlag, text, {hvcnERR_BAD_VALUE}, "teletex-or-printable check");
  if (Acceptable(n)) Check(Acceptable(p), "numeric values are printable");
  if (Acceptable(p)) Check(Acceptable(t) && tFlag == 0, "printable values pass as teletex-or-printable without teletex");
  Check(Acceptable(s) == Acceptable(t), "string and teletex-or-printable accept the same bytes");
  if (Acceptable(s) && sFlag) Check(tFlag == 1, "a non-ASCII value needs teletex");

  int32_t r = 0;
  switch (which % 5) {
    case 0: r = CheckP(v, maximum); CheckClassResult(r, 0, text, {hvcnERR_NOT_PRINTABLE, hvcnERR_VALUE_TOO_LONG}, "printable"); break;
    case 1: r = CheckN(v, maximum); CheckClassResult(r, 0, text, {hvcnERR_NOT_NUMERIC, hvcnERR_VALUE_TOO_LONG}, "numeric"); break;
    case 2: r = CheckS(v, maximum, &flag); CheckClassResult(r, flag, text, {hvcnERR_BAD_VALUE, hvcnERR_VALUE_TOO_LONG}, "string"); break;
    case 3: r = CheckT(v, maximum, &flag); CheckClassResult(r, flag, text, {hvcnERR_BAD_VALUE, hvcnERR_VALUE_TOO_LONG}, "teletex"); break;
    default: {
      const int32_t status = hvcnValidateAttribute(v, maximum, id);
      CheckStatus(status,
                  {hvcnSUCCESS, hvcnERR_BAD_VALUE, hvcnERR_VALUE_TOO_LONG, hvcnERR_NOT_PRINTABLE, hvcnERR_NOT_NUMERIC,
                   hvcnERR_UNKNOWN_ATTRIBUTE, hvcnERR_BAD_COUNTRY, hvcnERR_BAD_TERMINAL_TYPE},
                  "hvcnValidateAttribute");
      int32_t expected = 0;
      if (Expected(value, maximum, id, &expected))
        Check(status == expected, "hvcnValidateAttribute agrees with the class check of its ID",
              std::to_string(id) + " max " + std::to_string(maximum) + " got " + std::to_string(status) +
                  " expected " + std::to_string(expected));
      return 0;
    }
  }
  // A value that passes under a maximum passes under any larger one.
  const int32_t unbounded = (which % 5 == 0) ? p : (which % 5 == 1) ? n : (which % 5 == 2) ? s : t;
  if (Acceptable(r)) Check(r == unbounded, "acceptable under a larger maximum");
  // A character refused before the maximum was reached is refused whatever
  // the maximum.
  if (!Acceptable(r) && r != hvcnERR_VALUE_TOO_LONG) Check(r == unbounded, "a refused character does not depend on the maximum");

  // The exact limit: a value of the maximum's length passes, one byte less
  // of maximum fails (ASCII values, where bytes and characters agree).
  if (Acceptable(unbounded) && IsAscii(text)) {
    const int32_t length = CountedLength(text);
    if (length >= 1) {
      int32_t f1 = 0;
      const int32_t at = (which % 5 == 0) ? CheckP(v, length) : (which % 5 == 1) ? CheckN(v, length)
                       : (which % 5 == 2) ? CheckS(v, length, &f1) : CheckT(v, length, &f1);
      Check(Acceptable(at), "a value exactly as long as the maximum passes", text);
    }
    if (length >= 2) {
      int32_t f2 = 0;
      const int32_t below = (which % 5 == 0) ? CheckP(v, length - 1) : (which % 5 == 1) ? CheckN(v, length - 1)
                          : (which % 5 == 2) ? CheckS(v, length - 1, &f2) : CheckT(v, length - 1, &f2);
      Check(below == hvcnERR_VALUE_TOO_LONG, "one character over the maximum is too long", text);
    }
  }
  return 0;
}
