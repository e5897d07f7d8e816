// The AMHS address conversion: hvcnParseAMHSTables, hvcnAFTNToORAddress and
// hvcnORAddressToAFTN.
//
// Input: a selector (1 byte: 0x01 an originator's address, 0x02 keep the
// reverse conversion, 0x04 damage the tables), the size of the AF-Address
// buffer (1 byte: below 0xC0 9 bytes, else 0 to 11), where to damage the tables and with what (2 bytes, 1
// byte), an AF-Address (NUL-ended), an O/R address (NUL-ended), then the
// tables' text.
// Properties: documented statuses; the size query and the write agree; the
// tables take at most their documented size and nothing is written past it;
// a refusal names its line and leaves its detail in the memory; every
// look-up ends (damaged tables included) and reads inside the memory; an
// AF-Address converted to AMHS is held as hvcnNAME_OR_ADDRESS and, when its
// domain is C=XX, ADMD=ICAO, converts back to itself consistently (or to
// the AF-Address of a USER row that shadows it); an O/R address converted to
// AFTN gives eight letters, and "consistent" holds exactly when the reverse
// conversion has the same attributes; the held name is left alone or
// becomes the reverse conversion on request; the AF-Address buffer holds the
// whole address or "" with status 1.
#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

#include "held_name.h"

using namespace hvcn::fuzz;

namespace {

const std::initializer_list<int32_t> kTableStatuses = {
    hvcnSUCCESS,           hvcnERR_BUFFER_TOO_SMALL, hvcnERR_BAD_VALUE,           hvcnERR_VALUE_TOO_LONG,
    hvcnERR_NOT_PRINTABLE, hvcnERR_NOT_NUMERIC,      hvcnERR_NAME_TOO_LONG,       hvcnERR_BAD_COUNTRY,
    hvcnERR_TOO_MANY_OUS,  hvcnERR_UNKNOWN_TAG,      hvcnERR_DUPLICATE_ATTRIBUTE, hvcnERR_TOO_MANY_DDAS,
    hvcnERR_BAD_X400,      hvcnERR_UNKNOWN_ATTRIBUTE, hvcnERR_NO_VALUE,          hvcnERR_BAD_TERMINAL_TYPE};
const std::initializer_list<int32_t> kToAmhsStatuses = {hvcnSUCCESS,          hvcnERR_BAD_PARAMETER,
                                                        hvcnERR_NAME_DOES_NOT_FIT, hvcnERR_NOT_AN_ADDRESS,
                                                        hvcnERR_DUPLICATE_ATTRIBUTE, hvcnERR_NO_VALUE};
// Damaged tables may hold values that their checks refuse.
const std::initializer_list<int32_t> kDamagedStatuses = {
    hvcnSUCCESS,           hvcnERR_BAD_PARAMETER,     hvcnERR_BAD_VALUE,           hvcnERR_VALUE_TOO_LONG,
    hvcnERR_NOT_PRINTABLE, hvcnERR_NOT_NUMERIC,       hvcnERR_NAME_TOO_LONG,       hvcnERR_NAME_DOES_NOT_FIT,
    hvcnERR_NOT_AN_ADDRESS, hvcnERR_BAD_COUNTRY,      hvcnERR_TOO_MANY_OUS,        hvcnERR_UNKNOWN_TAG,
    hvcnERR_DUPLICATE_ATTRIBUTE, hvcnERR_TOO_MANY_DDAS, hvcnERR_BAD_X400,          hvcnERR_NO_VALUE};
const std::initializer_list<int32_t> kToAftnStatuses = {hvcnSUCCESS, hvcnERR_BUFFER_TOO_SMALL, hvcnERR_BAD_PARAMETER,
                                                        hvcnERR_NOT_AN_ADDRESS};

std::unique_ptr<hvcnFormat> Ready() {
  auto f = NewFormat();
  Check(hvcnParseFormatString(nullptr, f.get()) == hvcnSUCCESS, "the default format string parses");
  return f;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// An address's attributes as the comparison of the two conversions sees
// them, computed from the public structure: values upper case, a teletex
// variant under its base attribute, a domain-defined attribute by its type.
std::multiset<std::string> Attributes(const hvcnFormat& f) {
  std::multiset<std::string> out;
  const Values values = NonEmptyValues(f);
  std::map<int, std::string> byId;
  for (const auto& [slot, text] : values) byId[f.attributes[slot].id] = Upper(text);
  for (int k = 0; k < 4; ++k) {
    const auto pick = [&](int id, int twin) { return byId.count(id) ? byId[id] : byId.count(twin) ? byId[twin] : ""; };
    const std::string type = pick(16 + 2 * k, 60 + 2 * k), value = pick(17 + 2 * k, 61 + 2 * k);
    if (!type.empty() || !value.empty()) out.insert("DD." + type + "=" + value);
  }
  for (const auto& [id, text] : byId) {
    if ((id >= 16 && id <= 23) || (id >= 60 && id <= 67)) continue;
    hvcnAttributeInfo info{};
    int base = id;
    if (hvcnGetAttributeInfo(id, &info, sizeof info) == hvcnSUCCESS && (info.flags & hvcnAINFO_TELETEX) &&
        info.twinId != 0)
      base = info.twinId;
    out.insert(std::to_string(base) + "=" + text);
  }
  return out;
}

bool InAmhs(const hvcnFormat& f) {
  const Values values = NonEmptyValues(f);
  const auto value = [&](int id) {
    for (const auto& [slot, text] : values)
      if (f.attributes[slot].id == id) return Upper(text);
    return std::string();
  };
  return value(hvcnATT_COUNTRY) == "XX" && value(hvcnATT_ADMD) == "ICAO";
}

bool AfAddress(std::string_view text) {
  return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// The tables of the input's text: measured, then written into memory of
// exactly the size they take. Empty when refused.
std::vector<uint8_t> ReadTables(const ExactText& text) {
  uint32_t needed = 0, line = 0;
  const int32_t measured = hvcnParseAMHSTables(text.c_str(), nullptr, 0, &needed, &line);
  CheckStatus(measured, kTableStatuses, "hvcnParseAMHSTables measured");
  Check((measured == hvcnERR_BUFFER_TOO_SMALL) == (line == 0), "a bad row names its line, good tables their size");
  if (measured != hvcnERR_BUFFER_TOO_SMALL) {
    OutBuffer detail(64);
    uint32_t again = 0;
    Check(hvcnParseAMHSTables(text.c_str(), detail.data(), 64, &needed, &again) == measured && again == line,
          "a refusal is the same with memory");
    Check(detail.Terminated() && !detail.Text().empty(), "the memory holds the refusal's detail");
    return {};
  }
  const size_t rows = static_cast<size_t>(std::count(text.view().begin(), text.view().end(), '\n')) + 1;
  Check(needed <= hvcnAMHS_TABLE_HEADER_SIZE + hvcnAMHS_TABLE_ROW_SIZE * rows + 2 * text.size() + 1,
        "the tables take at most their documented size");
  std::vector<uint8_t> tables(needed);
  const int32_t written = hvcnParseAMHSTables(text.c_str(), tables.data(), needed, &needed, &line);
  // A key given twice is found when the rows are written.
  Check(written == hvcnSUCCESS || (written == hvcnERR_DUPLICATE_ATTRIBUTE && line > 0), "tables written",
        text.view());
  if (written != hvcnSUCCESS) tables.clear();
  return tables;
}

// An O/R address in the held name converted to AFTN, with the properties.
void CheckToAftn(hvcnFormat* f, const uint8_t* tables, uint32_t size, uint32_t flags, uint32_t aftnSize,
                 bool damaged) {
  const Values before = NonEmptyValues(*f);
  const std::multiset<std::string> attributes = Attributes(*f);
  OutBuffer aftn(aftnSize);
  uint32_t result = flags;
  const int32_t status = hvcnORAddressToAFTN(f, tables, size, aftn.data(), aftnSize, &result);
  CheckStatus(status, kToAftnStatuses, "hvcnORAddressToAFTN");
  if (aftnSize == 0) Check(aftn.Untouched(), "a buffer of size 0 is not written");
  else Check(aftn.Terminated(), "the AF-Address buffer is terminated");
  if (!(flags & hvcnAMHS_KEEP_REVERSE) || (status != hvcnSUCCESS && status != hvcnERR_BUFFER_TOO_SMALL))
    Check(NonEmptyValues(*f) == before, "the held name is left alone");
  if (status == hvcnERR_BUFFER_TOO_SMALL)
    Check(aftnSize < 9 && (aftnSize == 0 || aftn.Text().empty()), "status 1 for a short buffer");
  if (status != hvcnSUCCESS && status != hvcnERR_BUFFER_TOO_SMALL) {
    Check(result == 0, "a refusal reports no result");
    if (status == hvcnERR_NOT_AN_ADDRESS) Check(f->errorDetail[0] != '\0', "a refusal names its diagnostic");
    return;
  }
  const uint32_t scheme = result & hvcnAMHS_SCHEME_MASK;
  Check(scheme >= hvcnAMHS_XF && scheme <= hvcnAMHS_USER, "a scheme");
  Check(!(result & ~(hvcnAMHS_SCHEME_MASK | hvcnAMHS_INCONSISTENT | hvcnAMHS_NO_REVERSE)), "known result bits");
  Check(!(result & hvcnAMHS_NO_REVERSE) || (result & hvcnAMHS_INCONSISTENT), "no reverse is inconsistent");
  if (status != hvcnSUCCESS || damaged) return;
  Check(AfAddress(aftn.Text()), "eight letters A-Z", aftn.Text());
  // The reverse conversion as hvcnAFTNToORAddress gives it.
  auto reverse = Ready();
  const ExactText af(aftn.Text());
  const int32_t back = hvcnAFTNToORAddress(af.c_str(), tables, size, reverse.get(), nullptr);
  Check((back != hvcnSUCCESS) == ((result & hvcnAMHS_NO_REVERSE) != 0), "no reverse exactly when it fails");
  if (back != hvcnSUCCESS) {
    if (flags & hvcnAMHS_KEEP_REVERSE) Check(!(f->flags & hvcnFMT_NAME_HELD), "no reverse: no name held");
    return;
  }
  Check((Attributes(*reverse) == attributes) == !(result & hvcnAMHS_INCONSISTENT),
        "consistent exactly when the reverse has the same attributes", aftn.Text());
  if (flags & hvcnAMHS_KEEP_REVERSE)
    Check(NonEmptyValues(*f) == NonEmptyValues(*reverse), "the held name is the reverse conversion");
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const uint8_t selector = in.Byte();
  const uint8_t sizeByte = in.Byte();
  const uint32_t aftnSize = sizeByte < 0xC0 ? 9u : sizeByte % 12u;
  const uint16_t damageAt = in.U16();
  const uint8_t damageWith = in.Byte();
  const ExactText aftnText(in.Text());
  const ExactText address(in.Text());
  const ExactText tablesText(in.Rest());
  const uint32_t flags = ((selector & 0x01) ? hvcnAMHS_ORIGINATOR : 0u) | ((selector & 0x02) ? hvcnAMHS_KEEP_REVERSE : 0u);

  std::vector<uint8_t> tables = ReadTables(tablesText);
  if (tables.empty()) return;
  const bool damaged = (selector & 0x04) != 0;
  if (damaged) tables[damageAt % tables.size()] = damageWith;
  // An exactly sized heap block, so that a read past the tables is caught.
  const auto size = static_cast<uint32_t>(tables.size());
  std::unique_ptr<uint8_t[]> memory(new uint8_t[size]);
  std::memcpy(memory.get(), tables.data(), size);

  // AFTN to AMHS, and back.
  auto f = Ready();
  uint32_t scheme = 0;
  const int32_t status = hvcnAFTNToORAddress(aftnText.c_str(), memory.get(), size, f.get(), &scheme);
  CheckStatus(status, damaged ? kDamagedStatuses : kToAmhsStatuses, "hvcnAFTNToORAddress");
  Check(((f->flags & hvcnFMT_NAME_HELD) != 0) == (status == hvcnSUCCESS), "a name is held exactly after success");
  if (status != hvcnSUCCESS) {
    Check(f->errorDetail[0] != '\0', "a refusal names its step");
  } else {
    Check(f->nameType == hvcnNAME_OR_ADDRESS, "the name is hvcnNAME_OR_ADDRESS");
    Check(scheme >= hvcnAMHS_XF && scheme <= hvcnAMHS_USER, "a scheme");
    if (!damaged && (scheme == hvcnAMHS_USER || InAmhs(*f))) {
      char back[9];
      uint32_t result = 0;
      Check(hvcnORAddressToAFTN(f.get(), memory.get(), size, back, sizeof back, &result) == hvcnSUCCESS,
            "an address converted to AMHS converts back", aftnText.view());
      Check(!(result & hvcnAMHS_INCONSISTENT), "consistently", aftnText.view());
      Check(Upper(std::string(aftnText.view())) == back || (result & hvcnAMHS_SCHEME_MASK) == hvcnAMHS_USER,
            "to the same AF-Address, or to a USER row's", back);
    }
    CheckToAftn(f.get(), memory.get(), size, flags, aftnSize, damaged);
  }

  // AMHS to AFTN from an O/R address in either form.
  auto g = Ready();
  if (hvcnParseORAddress(address.c_str(), g.get(), hvcnOR_FROM_AUTO) == hvcnSUCCESS)
    CheckToAftn(g.get(), memory.get(), size, flags, aftnSize, damaged);
}
