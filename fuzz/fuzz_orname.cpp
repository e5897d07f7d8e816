// The standard O/R address forms: hvcnParseORAddress, hvcnFormatORAddress,
// hvcnParseORTable, hvcnORAddressToRFC822 and hvcnRFC822ToORAddress.
//
// Input: a selector (1 byte: the low 2 bits the form read - 0 auto, 1 the
// ";" form, 2 the "/" form, 3 an RFC 822 address through the table and the
// gateway gw.example; 0x04 short labels, 0x08 long labels, 0x10 teletex
// escapes, 0x20 prefer teletex, 0x40 7-bit only; 0x80: the text is no O/R
// address but a typed name under the default format (low bits 0) or an
// internal name of type 1, 2 or 3), a buffer size (2 bytes), the address
// (NUL-ended), then in RFC 822 mode the table's text.
// Properties: documented statuses; a refusal leaves no name held and a
// detail; what is read lies in nameBuffer and is hvcnNAME_OR_ADDRESS; the
// "/" form written reads back to the same values and writes the same text
// again; the ";" form written reads back and writes the same text; the RFC
// 822 address written through the gateway alone maps back to the same
// values, through the table to the same values but for the letter case of
// the table's levels; type 3 carries every value. A typed or decoded name
// is written in the "/" form and through the gateway to what reads back to
// its values (as type 3 holds them, without escapes), or refused with a
// detail; its ";" form reads back and is written the same. A written text is the
// whole text or "" with status 1, terminated within any size given, and
// nothing is written past that size.
#include <algorithm>
#include <cctype>
#include <functional>
#include <vector>

#include "held_name.h"

using namespace hvcn::fuzz;

namespace {

constexpr uint32_t kLarge = 16384;
constexpr size_t kNameText = sizeof(hvcnFormat::nameBuffer) - 1;
constexpr const char* kGateway = "gw.example";
constexpr int kStandardRecords = 74;  // the records of the standard attributes come first

const std::initializer_list<int32_t> kReadStatuses = {
    hvcnSUCCESS,         hvcnERR_BAD_VALUE,     hvcnERR_VALUE_TOO_LONG, hvcnERR_NOT_PRINTABLE, hvcnERR_NOT_NUMERIC,
    hvcnERR_NAME_TOO_LONG, hvcnERR_NOT_AN_ADDRESS, hvcnERR_BAD_COUNTRY,  hvcnERR_TOO_MANY_OUS,  hvcnERR_UNKNOWN_TAG,
    hvcnERR_DUPLICATE_ATTRIBUTE, hvcnERR_TOO_MANY_DDAS, hvcnERR_BAD_X400, hvcnERR_UNKNOWN_ATTRIBUTE,
    hvcnERR_NO_VALUE, hvcnERR_BAD_TERMINAL_TYPE};
// A writer refuses what its reader would: the check's status, or 25 for
// domain-defined types equal but for letter case.
const std::initializer_list<int32_t> kWriteStatuses = {
    hvcnSUCCESS,         hvcnERR_BAD_VALUE,   hvcnERR_VALUE_TOO_LONG,      hvcnERR_NOT_PRINTABLE,
    hvcnERR_NOT_NUMERIC, hvcnERR_UNKNOWN_ATTRIBUTE, hvcnERR_BAD_COUNTRY, hvcnERR_DUPLICATE_ATTRIBUTE,
    hvcnERR_BAD_X400, hvcnERR_NO_VALUE, hvcnERR_BAD_TERMINAL_TYPE};
const std::initializer_list<int32_t> kTableStatuses = {
    hvcnSUCCESS,          hvcnERR_BUFFER_TOO_SMALL, hvcnERR_BAD_VALUE,     hvcnERR_VALUE_TOO_LONG,
    hvcnERR_NOT_PRINTABLE, hvcnERR_BAD_COUNTRY,     hvcnERR_TOO_MANY_OUS,  hvcnERR_UNKNOWN_TAG,
    hvcnERR_DUPLICATE_ATTRIBUTE, hvcnERR_BAD_X400,  hvcnERR_NAME_TOO_LONG, hvcnERR_NOT_NUMERIC,
    hvcnERR_UNKNOWN_ATTRIBUTE, hvcnERR_NO_VALUE, hvcnERR_BAD_TERMINAL_TYPE};

struct Settings {
  uint32_t writeFlags;
  bool preferTeletex, sevenBit;
};

std::unique_ptr<hvcnFormat> Prepared(const Settings& s) { return PreparedFormat(s.preferTeletex, s.sevenBit); }

// A read: a documented status; a name held exactly after success, with a
// detail after a refusal (but for a text too long to hold).
void CheckRead(const hvcnFormat& f, int32_t status, const char* call) {
  CheckStatus(status, kReadStatuses, call);
  Check(FieldTerminated(f.errorDetail), "errorDetail terminated");
  Check(((f.flags & hvcnFMT_NAME_HELD) != 0) == (status == hvcnSUCCESS), "a name is held exactly after success");
  if (status != hvcnSUCCESS && status != hvcnERR_NAME_TOO_LONG) Check(f.errorDetail[0] != '\0', "a refusal explains");
  if (status == hvcnSUCCESS) {
    Check(f.nameType == hvcnNAME_OR_ADDRESS, "the name is hvcnNAME_OR_ADDRESS");
    NonEmptyValues(f);  // checks every value lies in nameBuffer
  }
}

// A writer's text in a large buffer, then in `n` bytes: the whole text or
// "" with status 1, terminated within the size (the buffer is exactly n).
int32_t Written(uint32_t n, std::string* text, const std::function<int32_t(char*, uint32_t, uint32_t*)>& write) {
  OutBuffer large(kLarge);
  uint32_t needed = 1;
  const int32_t status = write(large.data(), kLarge, &needed);
  Check(large.Terminated(), "written text terminated");
  *text = std::string(large.Text());
  if (status != hvcnSUCCESS) {
    Check(text->empty() && needed == 0, "a refused text is empty, and needs nothing");
    return status;
  }
  Check(needed == text->size() + 1, "needed is the text's size with its NUL");
  OutBuffer sized(n);
  uint32_t sizedNeed = 0;
  const int32_t s = write(sized.data(), n, &sizedNeed);
  Check(sized.Terminated(), "terminated within the size");
  Check(sizedNeed == needed, "needed is the same in any buffer");
  if (s == hvcnSUCCESS) Check(sized.Text() == *text, "a text that fits is the whole text", sized.Text());
  else Check(s == hvcnERR_BUFFER_TOO_SMALL && sized.Text().empty(), "too small gives \"\" and status 1");
  Check((n > text->size()) == (s == hvcnSUCCESS), "status 1 exactly when the text does not fit");
  return status;
}

// Values compared as a writer keeps them: a domain-defined type is written
// as one text whatever its slot, and read back into the slot its reader
// chooses, so the type's slot is not compared.
Values TypesInPlace(Values values) {
  constexpr int kTypeTwins[] = {34, 36, 38, 40};
  for (int twin : kTypeTwins)
    if (values.count(twin)) {
      values[twin - 19] = values[twin];
      values.erase(twin);
    }
  return values;
}

std::string Folded(const Values& values) {
  std::string out = Describe(values);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The "/" and ";" forms of a held name and their round trips (for names
// of whole characters: a lead byte without its continuation bytes takes
// the separator after it into its character when read again).
void CheckForms(hvcnFormat* f, const Settings& s, uint32_t n, const Values& values, bool readName) {
  const bool whole = ValidUtf8(values);
  std::string stdOr;
  const int32_t status = Written(n, &stdOr, [&](char* b, uint32_t size, uint32_t* need) {
    return hvcnFormatORAddress(f, b, size, need, s.writeFlags & ~uint32_t{hvcnOR_ANNEXF});
  });
  CheckStatus(status, kWriteStatuses, "hvcnFormatORAddress");
  if (status != hvcnSUCCESS) Check(f->errorDetail[0] != '\0', "a refusal to write explains");
  if (status == hvcnSUCCESS && whole && !stdOr.empty() && stdOr.size() <= kNameText) {
    auto g = Prepared(s);
    const ExactText text(stdOr);
    const int32_t again = hvcnParseORAddress(text.c_str(), g.get(), hvcnOR_FROM_STDOR);
    Check(again == hvcnSUCCESS, "the \"/\" form reads back", stdOr + " " + g->errorDetail);
    Check(readName ? NonEmptyValues(*g) == values : TypesInPlace(NonEmptyValues(*g)) == TypesInPlace(values),
          "the \"/\" form reads back to the same values",
          stdOr + " " + Describe(NonEmptyValues(*g)) + " vs " + Describe(values));
    std::string second;
    Written(n, &second, [&](char* b, uint32_t size, uint32_t* need) {
      return hvcnFormatORAddress(g.get(), b, size, need, s.writeFlags & ~uint32_t{hvcnOR_ANNEXF});
    });
    // (A typed or decoded name's first text may lack the blank ADMD its
    // country brings when read.)
    if (readName) Check(second == stdOr, "the \"/\" form is written again the same", second);
  }

  std::string annexF;
  const int32_t annexStatus = Written(n, &annexF, [&](char* b, uint32_t size, uint32_t* need) {
    return hvcnFormatORAddress(f, b, size, need, s.writeFlags | hvcnOR_ANNEXF);
  });
  CheckStatus(annexStatus, kWriteStatuses, "hvcnFormatORAddress ;");
  if (annexStatus == hvcnSUCCESS && whole && !annexF.empty() && annexF.size() <= kNameText) {
    auto g = Prepared(s);
    const ExactText text(annexF);
    Check(hvcnParseORAddress(text.c_str(), g.get(), hvcnOR_FROM_ANNEXF) == hvcnSUCCESS, "the \";\" form reads back",
          annexF + " " + g->errorDetail);
    std::string second;
    Written(n, &second, [&](char* b, uint32_t size, uint32_t* need) {
      return hvcnFormatORAddress(g.get(), b, size, need, s.writeFlags | hvcnOR_ANNEXF);
    });
    if (readName) Check(second == annexF, "the \";\" form is written again the same", second);
  }

  // Type 3 carries every value (under 7-bit only, the teletex ones stay out).
  if (readName && !s.sevenBit && whole && !AnyValueHolds(values, "\x1E\x1A")) {
    OutBuffer encoded(kLarge);
    Check(hvcnTranslateInternalFormat(f, 0, nullptr, hvcnINTERNAL_GSRS, encoded.data(), kLarge, hvcnTIF_HELD_NAME) ==
              hvcnSUCCESS,
          "type 3 of a name read");
    if (encoded.Text().size() <= kNameText) {
      auto g = Prepared(s);
      const ExactText text(encoded.Text());
      if (hvcnTranslateInternalFormat(g.get(), hvcnINTERNAL_GSRS, text.c_str(), 0, nullptr, 0, 0) == hvcnSUCCESS)
        Check(NonEmptyValues(*g) == values, "type 3 carries every value", Describe(NonEmptyValues(*g)));
    }
  }
}

// The RFC 822 address of a held name, mapped back.
void CheckRfc822(hvcnFormat* f, const Settings& s, uint32_t n, const Values& values, const void* table,
                 uint32_t tableSize) {
  const uint32_t flags = s.writeFlags & hvcnOR_SHORT_LABELS;
  for (const void* t : {static_cast<const void*>(nullptr), table}) {
    const uint32_t size = t ? tableSize : 0;
    std::string address;
    const int32_t status = Written(n, &address, [&](char* b, uint32_t bytes, uint32_t* need) {
      return hvcnORAddressToRFC822(f, kGateway, t, size, b, bytes, need, flags);
    });
    if (status != hvcnERR_NOT_AN_ADDRESS) CheckStatus(status, kWriteStatuses, "hvcnORAddressToRFC822");
    if (status != hvcnSUCCESS || address.size() > kNameText || !ValidUtf8(values)) continue;
    auto g = Prepared(s);
    const ExactText text(address);
    const int32_t back = hvcnRFC822ToORAddress(text.c_str(), g.get(), kGateway, t, size);
    Check(back == hvcnSUCCESS, "an RFC 822 address written maps back", address + " " + g->errorDetail);
    // Through the table, its rows give the levels in their own letter case.
    if (t) Check(Folded(NonEmptyValues(*g)) == Folded(values), "mapped back to the same values", address);
    else Check(TypesInPlace(NonEmptyValues(*g)) == TypesInPlace(values), "mapped back to the same values", address);
  }
}

// The values a writer writes of a typed or decoded name, as its reader
// gives them back: the standard values that have a label (ff and user
// attributes have none), a typed name's without its escapes, initials and
// the qualifier without their dots, teletex values left out under 7-bit
// only, US as the wildcard character.
bool WrittenValues(hvcnFormat* f, const Settings& s, Values* values) {
  values->clear();
  for (int slot = 0; slot < kStandardRecords; ++slot) {
    std::string_view held;
    const bool teletex = (slot >= 25 && slot <= 42) || slot >= 62;
    if (f->attributes[slot].id == hvcnATT_FF || (teletex && s.sevenBit) || !HeldValue(*f, slot, &held)) continue;
    std::string value;
    for (size_t i = 0; i < held.size(); ++i) {
      if (held[i] == '\\' && f->nameType == -1 && f->attributes[slot].valueLength != hvcnVALUE_FOREIGN &&
          ++i >= held.size())
        break;
      value += held[i] == '\x1F' ? '*' : held[i];
    }
    constexpr int kWithoutDots[] = {2, 3, 27, 28};
    if (std::find(std::begin(kWithoutDots), std::end(kWithoutDots), slot) != std::end(kWithoutDots))
      value.erase(std::remove(value.begin(), value.end(), '.'), value.end());
    if (!value.empty()) (*values)[slot] = value;
  }
  // A reader gives an address with a country and no ADMD the blank ADMD.
  constexpr int kCountry = 9, kAdmd = 10, kPrmd = 11, kTerminalId = 14;
  if (values->count(kCountry) && !values->count(kAdmd)) (*values)[kAdmd] = " ";
  // An ADMD of blanks is the blank ADMD, one blank.
  if (values->count(kAdmd) && (*values)[kAdmd].find_first_not_of(" \t") == std::string::npos) (*values)[kAdmd] = " ";
  // Preferring teletex, a reader refuses the attributes without a teletex
  // variant: such a name cannot be read back under the same settings.
  if (s.preferTeletex && (values->count(kAdmd) || values->count(kPrmd) || values->count(kTerminalId))) return false;
  return true;
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const uint8_t selector = in.Byte();
  const uint32_t n = 1u + in.U16() % 1200u;
  const ExactText address(in.Text());
  const ExactText tableText(in.Rest());
  const Settings s{((selector & 0x04) ? hvcnOR_SHORT_LABELS : 0u) | ((selector & 0x08) ? hvcnOR_LONG_LABELS : 0u) |
                       ((selector & 0x10) ? hvcnOR_TELETEX_ESCAPES : 0u),
                   (selector & 0x20) != 0, (selector & 0x40) != 0};
  auto f = Prepared(s);

  // The table: measured, then written into exactly the size it needs.
  std::vector<uint8_t> table;
  uint32_t needed = 0, line = 0;
  const int32_t measured = hvcnParseORTable(tableText.c_str(), nullptr, 0, &needed, &line);
  CheckStatus(measured, kTableStatuses, "hvcnParseORTable");
  Check((measured == hvcnERR_BUFFER_TOO_SMALL) == (line == 0), "a bad row names its line, a good table its size");
  if (measured == hvcnERR_BUFFER_TOO_SMALL) {
    Check(needed <= hvcnOR_TABLE_HEADER_SIZE + hvcnOR_TABLE_ROW_SIZE * (tableText.size() / 3 + 1) + tableText.size() + 1,
          "a table takes at most its documented size");
    table.resize(needed);
    const int32_t written = hvcnParseORTable(tableText.c_str(), table.data(), needed, &needed, &line);
    // A domain given twice is found when the rows are written.
    Check(written == hvcnSUCCESS || (written == hvcnERR_DUPLICATE_ATTRIBUTE && line > 0), "table written", tableText.view());
    if (written != hvcnSUCCESS) table.clear();
  }
  const void* tableData = table.empty() ? nullptr : table.data();
  const auto tableSize = static_cast<uint32_t>(table.size());

  int32_t status;
  if (selector & 0x80) {
    // A typed or decoded name, written.
    if ((selector & 3) == 0) {
      uint32_t context = 0;
      status = hvcnParseName(address.c_str(), f.get(), 0, nullptr, 0, &context,
                             hvcnPARSE_COMPLETE | (s.preferTeletex ? hvcnPARSE_PREFER_TELETEX : 0u));
    } else {
      status = hvcnTranslateInternalFormat(f.get(), selector & 3, address.c_str(), 0, nullptr, 0, 0);
    }
    // (A name of broken UTF-8 takes other characters into its bytes when
    // read.) A parse sets the format up again: it is read back under the
    // settings the name has now.
    if (status != hvcnSUCCESS || !ValidUtf8(NonEmptyValues(*f))) return;
    const Settings held{s.writeFlags, (f->flags & hvcnFMT_PREFER_TELETEX) != 0, (f->flags & hvcnFMT_7BIT_ONLY) != 0};
    Values values;
    if (!WrittenValues(f.get(), held, &values)) return;
    CheckForms(f.get(), held, n, values, false);
    CheckRfc822(f.get(), held, n, values, nullptr, 0);
    return;
  }
  if ((selector & 3) == 3) {
    status = hvcnRFC822ToORAddress(address.c_str(), f.get(), kGateway, tableData, tableSize);
    CheckRead(*f, status, "hvcnRFC822ToORAddress");
  } else {
    status = hvcnParseORAddress(address.c_str(), f.get(), selector & 3u);
    CheckRead(*f, status, "hvcnParseORAddress");
    if (address.size() > kNameText) Check(status == hvcnERR_NAME_TOO_LONG, "a text of more than 1024 bytes is refused");
  }
  if (status != hvcnSUCCESS) return;
  const Values values = NonEmptyValues(*f);
  CheckForms(f.get(), s, n, values, true);
  CheckRfc822(f.get(), s, n, values, tableData, tableSize);
}
