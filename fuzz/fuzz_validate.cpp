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
// documented status for the check hvcnGetAttributeInfo reports for the ID,
// and for the four classes the answer of that class check under the ID's
// maximum. The answer of each ID is tests/data/validate.txt's to hold.
#include <climits>
#include <string>

#include "fuzz_support.h"

using namespace hvcn::fuzz;

namespace {

bool Acceptable(int32_t result) { return result <= 0; }

int32_t CheckP(const char* v, int32_t m) { return hvcnValidatePString(v, m); }
int32_t CheckN(const char* v, int32_t m) { return hvcnValidateNString(v, m); }
int32_t CheckS(const char* v, int32_t m, int32_t* flag) { return hvcnValidateString(v, m, flag); }
int32_t CheckT(const char* v, int32_t m, int32_t* flag) { return hvcnValidateTeletexOrPString(v, m, flag); }

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

// The answer hvcnValidateAttribute must give for a check by class (one of
// 5000-5003) under a maximum of at least 1, a non-ASCII value refused on
// request; false for the other checks.
bool ClassAnswer(const char* v, int32_t check, int32_t maximum, bool asciiOnly, int32_t* expected) {
  int32_t flag = 0;
  int32_t r;
  switch (check) {
    case hvcnCLASS_PRINTABLE: r = CheckP(v, maximum); break;
    case hvcnCLASS_NUMERIC: r = CheckN(v, maximum); break;
    case hvcnCLASS_STRING: r = CheckS(v, maximum, &flag); break;
    case hvcnCLASS_TELETEX_OR_PRINTABLE: r = CheckT(v, maximum, &flag); break;
    default: return false;
  }
  *expected = !Acceptable(r) ? r : (asciiOnly && flag ? hvcnERR_BAD_VALUE : hvcnSUCCESS);
  return true;
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

HVCN_FUZZ_TARGET(in) {
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
  // "which" 0-3 is a class check under the input's maximum, 4 hvcnValidateAttribute.
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
      // The check of the ID as hvcnGetAttributeInfo reports it; a class
      // number is its own check, with the caller's maximum unchanged.
      hvcnAttributeInfo info{};
      const bool isClass = id >= hvcnCLASS_PRINTABLE && id <= hvcnCLASS_TELETEX_OR_PRINTABLE;
      const int32_t known = hvcnGetAttributeInfo(id, &info, sizeof info);
      if (isClass) info = hvcnAttributeInfo{id, id, 0, 0, 0, {}, {}, {}, {}};
      if (!isClass && known != hvcnSUCCESS) {
        Check(status == hvcnERR_UNKNOWN_ATTRIBUTE, "an ID without a standard attribute is unknown");
        return;
      }
      const int32_t m = maximum != 0 ? maximum : info.maxLength;
      int32_t expected = 0;
      if (m >= 1 && ClassAnswer(v, info.valueClass, m, (info.flags & hvcnAINFO_ASCII_ONLY) != 0, &expected))
        Check(status == expected, "hvcnValidateAttribute agrees with the class check of its ID",
              std::to_string(id) + " max " + std::to_string(maximum) + " got " + std::to_string(status) +
                  " expected " + std::to_string(expected));
      if (info.valueClass == hvcnCHECK_NONE) Check(status == hvcnERR_UNKNOWN_ATTRIBUTE, "an ID whose values are all refused");
      if (info.valueClass == hvcnCHECK_COUNTRY) CheckStatus(status, {hvcnSUCCESS, hvcnERR_BAD_COUNTRY}, "country");
      if (info.valueClass == hvcnCHECK_TERMINAL_TYPE)
        CheckStatus(status, {hvcnSUCCESS, hvcnERR_BAD_TERMINAL_TYPE}, "terminal type");
      if (info.valueClass == hvcnCHECK_POSTAL_LINES)
        CheckStatus(status, {hvcnSUCCESS, hvcnERR_BAD_VALUE, hvcnERR_VALUE_TOO_LONG, hvcnERR_NOT_PRINTABLE},
                    "postal lines");
      return;
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
}
