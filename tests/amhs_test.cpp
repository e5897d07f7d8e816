// The AMHS conversion beside its golden rows (tests/data/amhs.txt): a model
// of the look-ups, written from the table rules, against the library over
// generated tables of thousands of rows, with every address converted there
// and back; the arguments; tables moved, or damaged after they were written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "hvcn.h"
#include "support/golden.h"

namespace hvcn::test {
namespace {

std::string S(int64_t n) { return std::to_string(n); }

std::vector<uint8_t> Tables(const std::string& text, int32_t* status = nullptr) {
  uint32_t needed = 0, line = 0;
  EXPECT_EQ(hvcnParseAMHSTables(text.c_str(), nullptr, 0, &needed, &line), hvcnERR_BUFFER_TOO_SMALL) << line;
  std::vector<uint8_t> memory(needed);
  const int32_t s = hvcnParseAMHSTables(text.c_str(), memory.data(), needed, &needed, &line);
  if (status) *status = s;
  else EXPECT_EQ(s, hvcnSUCCESS) << "line " << line << ": " << reinterpret_cast<const char*>(memory.data());
  return memory;
}

std::unique_ptr<hvcnFormat> Ready() {
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnParseFormatString(nullptr, f.get()), hvcnSUCCESS);
  return f;
}

std::string Written(hvcnFormat* f) {
  char text[1024];
  EXPECT_EQ(hvcnFormatORAddress(f, text, sizeof text, nullptr, 0), hvcnSUCCESS);
  return text;
}

// ---------------------------------------------------------------------------
// The model: the rules of the table file read literally, every row scanned.

// A key or location as written, with what the rules read from it.
struct Pattern {
  std::string text;
  std::vector<int> places;  // the AF-Address places it compares
  int level = 0;            // of an MD key: 0 characters 1-7 ... 3 characters 1-2
  bool wild = false;        // '*' in a place it compares

  explicit Pattern(const std::string& t) : text(t) {
    const bool five = t.size() == 7 && t[2] == '*' && t[3] == '*';
    for (size_t i = 0; i < t.size(); ++i)
      if (!five || (i != 2 && i != 3)) places.push_back(static_cast<int>(i));
    level = t.size() == 7 ? (five ? 1 : 0) : t.size() == 4 ? 2 : 3;
    for (int p : places) wild = wild || t[static_cast<size_t>(p)] == '*';
  }
  bool Matches(const std::string& af) const {
    for (int p : places)
      if (text[static_cast<size_t>(p)] != '*' && text[static_cast<size_t>(p)] != af[static_cast<size_t>(p)])
        return false;
    return true;
  }
};

struct MdRow {
  Pattern key;
  std::string prmd, scheme;
  int line;
};
struct CaasRow {
  Pattern location;
  std::string prmd, o;
  int line;
};

struct Expected {
  int32_t status;
  std::string text;        // the "/" form
  std::set<int> tiedLines;  // an ambiguity: the rows that tie
};

struct Model {
  std::vector<MdRow> md;
  std::vector<CaasRow> caas;
  std::map<std::string, std::string> users;  // AF-Address -> CN

  // The rows of the winning level and kind (exact before wildcard).
  template <typename Row, typename Key, typename Fits>
  static std::vector<const Row*> Winners(const std::vector<Row>& rows, const Key& key, const Fits& fits) {
    std::vector<const Row*> exact, wild;
    for (const Row& row : rows)
      if (fits(row)) (key(row).wild ? wild : exact).push_back(&row);
    return exact.empty() ? wild : exact;
  }

  Expected Convert(const std::string& af) const {
    if (users.count(af)) return {0, "/CN=" + users.at(af) + "/O=USERS/PRMD=U/ADMD=ICAO/C=XX/", {}};
    for (int level = 0; level < 4; ++level) {
      const auto mds = Winners(md, [](const MdRow& r) -> const Pattern& { return r.key; },
                               [&](const MdRow& r) { return r.key.level == level && r.key.Matches(af); });
      if (mds.empty()) continue;
      if (mds.size() > 1) return {hvcnERR_DUPLICATE_ATTRIBUTE, "", Lines(mds)};
      const MdRow& row = *mds[0];
      if (row.scheme == "OTHER") return {hvcnERR_NAME_DOES_NOT_FIT, "", {}};
      if (row.scheme == "XF") return {0, "/OU=" + af + "/O=AFTN/PRMD=" + row.prmd + "/ADMD=ICAO/C=XX/", {}};
      const auto units =
          Winners(caas, [](const CaasRow& r) -> const Pattern& { return r.location; },
                  [&](const CaasRow& r) { return r.prmd == row.prmd && r.location.Matches(af); });
      if (units.empty()) return {hvcnERR_NO_VALUE, "", {}};
      if (units.size() > 1) return {hvcnERR_DUPLICATE_ATTRIBUTE, "", Lines(units)};
      return {0, "/CN=" + af + "/OU=" + af.substr(0, 4) + "/O=" + units[0]->o + "/PRMD=" + row.prmd +
                     "/ADMD=ICAO/C=XX/", {}};
    }
    return {hvcnERR_NO_VALUE, "", {}};
  }

  template <typename Row>
  static std::set<int> Lines(const std::vector<const Row*>& rows) {
    std::set<int> lines;
    for (const Row* row : rows) lines.insert(row->line);
    return lines;
  }
};

// Tables of some thousands of rows over four letters, so that keys of all
// levels, wildcards, ties and gaps meet the same AF-Addresses.
struct Generated {
  Model model;
  std::string text;
};

Generated Generate(uint32_t seed) {
  std::mt19937 random(seed);
  const std::string letters = "ABCD";
  const auto letter = [&] { return letters[random() % letters.size()]; };
  const auto pattern = [&](size_t n, uint32_t wildPercent) {
    std::string p;
    for (size_t i = 0; i < n; ++i) p += random() % 100 < wildPercent ? '*' : letter();
    return p;
  };
  Generated g;
  std::set<std::string> keys, locations, users;
  int line = 0;
  g.text = "# generated\n";
  ++line;
  static const char* const kSchemes[] = {"XF", "CAAS", "CAAS", "OTHER"};
  while (g.model.md.size() < 2000) {
    std::string key;
    switch (random() % 4) {
      case 0: key = pattern(7, 8); break;
      case 1: key = pattern(2, 10) + "**" + pattern(3, 10); break;
      case 2: key = pattern(4, 15); break;
      default: key = pattern(2, 20); break;
    }
    if (key.size() == 7 && key[2] == '*' && key[3] == '*' && g.model.md.size() % 2) key[3] = letter();
    if (!keys.insert(key).second) continue;
    ++line;
    const std::string scheme = kSchemes[random() % 4], prmd = "P" + S(line);
    g.model.md.push_back({Pattern(key), prmd, scheme, line});
    g.text += "MD\t" + key + "\tXX\tICAO\t" + prmd + "\t" + scheme + "\n";
  }
  while (g.model.caas.size() < 1500) {
    const MdRow& owner = g.model.md[random() % g.model.md.size()];
    const std::string location = pattern(4, 10);
    if (!locations.insert(location + owner.prmd).second) continue;
    ++line;
    g.model.caas.push_back({Pattern(location), owner.prmd, "O" + S(line), line});
    g.text += "CAAS\t" + location + "\tXX\tICAO\t" + owner.prmd + "\tO" + S(line) + "\n";
  }
  while (users.size() < 500) {
    const std::string af = pattern(8, 0);
    if (!users.insert(af).second) continue;
    ++line;
    const std::string cn = "User " + S(line);
    g.model.users[af] = cn;
    g.text += "USER\t" + af + "\t/C=XX/ADMD=ICAO/PRMD=U/O=USERS/CN=" + cn + "/\n";
  }
  return g;
}

// The lines an ambiguity's detail names.
std::set<int> NamedLines(const std::string& detail) {
  std::set<int> lines;
  const size_t at = detail.find("lines ");
  if (at != std::string::npos) {
    int a = 0, b = 0;
    if (std::sscanf(detail.c_str() + at, "lines %d and %d", &a, &b) == 2) lines = {a, b};
  }
  return lines;
}

// Every AF-Address converts as the model says, in upper or lower case, and
// what converts comes back to the same AF-Address, consistently.
TEST(AmhsTables, GeneratedTablesConvertAsTheModelSaysAndBack) {
  for (uint32_t seed : {9880u, 1685u}) {
    const Generated g = Generate(seed);
    const std::vector<uint8_t> tables = Tables(g.text);
    ASSERT_FALSE(tables.empty());
    std::mt19937 random(seed);
    std::vector<std::string> addresses;
    for (const auto& [af, cn] : g.model.users) addresses.push_back(af);
    for (const MdRow& row : g.model.md) {  // an address of every row's key
      std::string af(8, 'A');
      for (char& c : af) c = "ABCD"[random() % 4];
      for (int p : row.key.places)
        if (row.key.text[static_cast<size_t>(p)] != '*') af[static_cast<size_t>(p)] = row.key.text[static_cast<size_t>(p)];
      addresses.push_back(af);
    }
    for (int i = 0; i < 3000; ++i) {
      std::string af(8, 'A');
      for (char& c : af) c = "ABCDE"[random() % 5];
      addresses.push_back(af);
    }
    std::map<int32_t, int> seen;
    for (size_t n = 0; n < addresses.size(); ++n) {
      const std::string& af = addresses[n];
      std::string input = af;
      if (n % 3 == 0) std::transform(input.begin(), input.end(), input.begin(), ::tolower);
      const Expected expected = g.model.Convert(af);
      auto f = Ready();
      uint32_t scheme = 0;
      const int32_t status = hvcnAFTNToORAddress(input.c_str(), tables.data(), static_cast<uint32_t>(tables.size()),
                                                 f.get(), &scheme);
      ++seen[status];
      ASSERT_EQ(status, expected.status) << af << ": " << f->errorDetail;
      if (status == hvcnERR_DUPLICATE_ATTRIBUTE) {
        const std::set<int> named = NamedLines(f->errorDetail);
        ASSERT_EQ(named.size(), 2u) << f->errorDetail;
        for (int line : named) EXPECT_TRUE(expected.tiedLines.count(line)) << af << ": " << f->errorDetail;
      }
      if (status != hvcnSUCCESS) continue;
      ASSERT_EQ(Written(f.get()), expected.text) << af;
      char back[9];
      uint32_t result = 0;
      ASSERT_EQ(hvcnORAddressToAFTN(f.get(), tables.data(), static_cast<uint32_t>(tables.size()), back, sizeof back,
                                    &result),
                hvcnSUCCESS)
          << af;
      EXPECT_EQ(back, af);
      EXPECT_EQ(result, scheme) << af << ": the same scheme, consistent";
    }
    // The tables gave every outcome.
    for (int32_t status : {hvcnSUCCESS, hvcnERR_DUPLICATE_ATTRIBUTE, hvcnERR_NO_VALUE, hvcnERR_NAME_DOES_NOT_FIT})
      EXPECT_GT(seen[status], 20) << "status " << status;
  }
}

// The worked examples of docs/amhs.md, over the sample table it ships.
TEST(AmhsTables, TheDocumentedExamplesHold) {
  std::FILE* file = std::fopen(HVCN_TEST_DATA_DIR "/../../docs/amhs-sample.tsv", "rb");
  ASSERT_NE(file, nullptr);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  std::fclose(file);
  const std::vector<uint8_t> tables = Tables(text);
  const auto size = static_cast<uint32_t>(tables.size());
  const std::pair<const char*, const char*> kToAmhs[] = {
      {"VVTSOPTA", "/CN=VVTSOPTA/OU=VVTS/O=VVTS/PRMD=VIETNAM/ADMD=ICAO/C=XX/"},
      {"AYPYANGM", "/OU=AYPYANGM/O=AFTN/PRMD=SITA/ADMD=ICAO/C=XX/"},
      {"LFPOAFRX", "/OU=LFPOAFRX/O=AFTN/PRMD=AIRFRANCE/ADMD=ICAO/C=XX/"},
      {"LFMNYTYX", "/CN=LFMNYTYX/OU=LFMN/O=LFMM/PRMD=FRANCE/ADMD=ICAO/C=XX/"},
      {"egllzpzx", "/CN=Tower/OU=Heathrow/O=NATS/PRMD=UK/ADMD=ICAO/C=XX/"},
      {"KZAKZQZX", "/OU=KZAKZQZX/O=AFTN/ADMD=ICAO/C=XX/"},
      {"EGKKZPZX", "18"}, {"CZEGYFYX", "29"}, {"OEJBYTYX", "29"},
  };
  for (const auto& [af, expected] : kToAmhs) {
    auto f = Ready();
    const int32_t status = hvcnAFTNToORAddress(af, tables.data(), size, f.get(), nullptr);
    EXPECT_EQ(status == hvcnSUCCESS ? Written(f.get()) : S(status), expected) << af;
  }
  const struct {
    const char* address;
    int32_t status;
    const char* af;
    uint32_t result;
  } kToAftn[] = {
      {"/C=XX/ADMD=ICAO/PRMD=VIETNAM/O=VVTS/OU1=VVTS/CN=VVTSOPTA/", 0, "VVTSOPTA", hvcnAMHS_CAAS},
      {"/C=XX/ADMD=ICAO/PRMD=SITA/O=AFTN/OU1=AYPYANGM/", 0, "AYPYANGM", hvcnAMHS_XF},
      {"C=xx;A=icao;P=uk;O=nats;OU1=heathrow;CN=tower", 0, "EGLLZPZX", hvcnAMHS_USER},
      {"/C=XX/ADMD=ICAO/PRMD=ARINC/O=AFTN/OU1=AYPYANGM/", 0, "AYPYANGM", hvcnAMHS_XF | hvcnAMHS_INCONSISTENT},
      {"/C=XX/ADMD=ICAO/PRMD=SITA/O=AFTN/OU1=EGLLZQZX/", 0, "EGLLZQZX",
       hvcnAMHS_XF | hvcnAMHS_INCONSISTENT | hvcnAMHS_NO_REVERSE},
      {"/C=XX/ADMD=ICAO/PRMD=SITA/O=AFTN/OU1=AYPYANG/", hvcnERR_NOT_AN_ADDRESS, "", 0},
  };
  for (const auto& c : kToAftn) {
    auto f = Ready();
    ASSERT_EQ(hvcnParseORAddress(c.address, f.get(), 0), hvcnSUCCESS) << c.address;
    char af[9];
    uint32_t result = 0;
    EXPECT_EQ(hvcnORAddressToAFTN(f.get(), tables.data(), size, af, sizeof af, &result), c.status) << c.address;
    EXPECT_STREQ(af, c.af) << c.address;
    EXPECT_EQ(result, c.result) << c.address;
  }
}

// The tables hold offsets, not addresses: moved to memory of any alignment
// they answer the same; memory larger than they need is fine.
TEST(AmhsTables, MovedTablesAnswerTheSame) {
  const std::vector<uint8_t> tables =
      Tables("MD\tVV\tXX\tICAO\tVIETNAM\tCAAS\nCAAS\tVVTS\tXX\tICAO\tVIETNAM\tVVTS\nMD\tAY\tXX\tICAO\tSITA\tXF\n");
  std::vector<uint8_t> moved(tables.size() + 3, 0);
  std::memcpy(moved.data() + 1, tables.data(), tables.size());
  auto f = Ready();
  ASSERT_EQ(hvcnAFTNToORAddress("VVTSOPTA", moved.data() + 1, static_cast<uint32_t>(tables.size() + 2), f.get(),
                                nullptr),
            hvcnSUCCESS);
  EXPECT_EQ(Written(f.get()), "/CN=VVTSOPTA/OU=VVTS/O=VVTS/PRMD=VIETNAM/ADMD=ICAO/C=XX/");
}

TEST(AmhsTables, Arguments) {
  const std::string text = "MD\tAY\tXX\tICAO\tSITA\tXF\n";
  std::vector<uint8_t> tables = Tables(text);
  const auto size = static_cast<uint32_t>(tables.size());
  uint32_t needed = 0, scheme = 5, result = 0;
  char af[9];
  EXPECT_EQ(hvcnParseAMHSTables(nullptr, nullptr, 0, &needed, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseAMHSTables(text.c_str(), nullptr, 0, nullptr, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseAMHSTables(text.c_str(), nullptr, 8, &needed, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnParseAMHSTables(text.c_str(), nullptr, 0, &needed, nullptr), hvcnERR_BUFFER_TOO_SMALL);
  auto f = Ready();
  EXPECT_EQ(hvcnAFTNToORAddress(nullptr, tables.data(), size, f.get(), &scheme), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(scheme, 0u);
  EXPECT_EQ(hvcnAFTNToORAddress("AYPYANGM", nullptr, size, f.get(), nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnAFTNToORAddress("AYPYANGM", tables.data(), size, nullptr, nullptr), hvcnERR_BAD_PARAMETER);
  // No name held yet.
  EXPECT_EQ(hvcnORAddressToAFTN(f.get(), tables.data(), size, af, sizeof af, nullptr), hvcnERR_BAD_PARAMETER);
  ASSERT_EQ(hvcnAFTNToORAddress("AYPYANGM", tables.data(), size, f.get(), nullptr), hvcnSUCCESS);
  EXPECT_EQ(hvcnORAddressToAFTN(nullptr, tables.data(), size, af, sizeof af, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToAFTN(f.get(), nullptr, size, af, sizeof af, nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnORAddressToAFTN(f.get(), tables.data(), size, nullptr, sizeof af, nullptr), hvcnERR_BAD_PARAMETER);
  result = hvcnAMHS_XF;  // a result left from the call before is no flag
  EXPECT_EQ(hvcnORAddressToAFTN(f.get(), tables.data(), size, af, sizeof af, &result), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(hvcnORAddressToAFTN(f.get(), tables.data(), size, af, sizeof af, nullptr), hvcnSUCCESS);
  EXPECT_STREQ(af, "AYPYANGM");
  // A format never readied.
  auto fresh = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnAFTNToORAddress("AYPYANGM", tables.data(), size, fresh.get(), nullptr), hvcnERR_FORMAT_NOT_READY);
  EXPECT_EQ(hvcnORAddressToAFTN(fresh.get(), tables.data(), size, af, sizeof af, nullptr), hvcnERR_FORMAT_NOT_READY);
}

// Memory that is not tables, a size too small for them, and tables whose
// offsets were damaged after they were written are refused, never read past.
TEST(AmhsTables, DamagedTablesAreRefused) {
  const std::string text =
      "MD\tAY\tXX\tICAO\tSITA\tXF\nUSER\tLFPGYTYX\t/C=XX/ADMD=ICAO/PRMD=FRANCE/O=DSNA/CN=Roissy tower/\n";
  const std::vector<uint8_t> good = Tables(text);
  const auto size = static_cast<uint32_t>(good.size());
  auto f = Ready();
  const char notTables[hvcnAMHS_TABLE_HEADER_SIZE] = "AMT1";
  EXPECT_EQ(hvcnAFTNToORAddress("AYPYANGM", notTables, sizeof notTables, f.get(), nullptr), hvcnERR_BAD_PARAMETER);
  EXPECT_STREQ(f->errorDetail,
               "The AMHS tables were not written by hvcnParseAMHSTables, or the size given is too small for them.");
  EXPECT_EQ(hvcnAFTNToORAddress("AYPYANGM", good.data(), size - 1, f.get(), nullptr), hvcnERR_BAD_PARAMETER);
  // Each 32-bit word of the header and the rows set far out of range: a
  // refusal or an answer, never a read outside the memory (AddressSanitizer
  // watches the exact heap block).
  uint32_t pool = 0;
  std::memcpy(&pool, good.data() + 16, sizeof pool);
  for (uint32_t at = 4; at < pool; at += 4) {
    std::unique_ptr<uint8_t[]> damaged(new uint8_t[size]);
    std::memcpy(damaged.get(), good.data(), size);
    const uint32_t far = 0x7FFFFFF0u;
    std::memcpy(damaged.get() + at, &far, sizeof far);
    for (const char* af : {"AYPYANGM", "LFPGYTYX"}) {
      auto g = Ready();
      const int32_t status = hvcnAFTNToORAddress(af, damaged.get(), size, g.get(), nullptr);
      const std::set<int32_t> kStatuses = {hvcnSUCCESS, hvcnERR_BAD_PARAMETER, hvcnERR_NAME_DOES_NOT_FIT,
                                           hvcnERR_DUPLICATE_ATTRIBUTE, hvcnERR_NO_VALUE};
      EXPECT_TRUE(kStatuses.count(status)) << at << ": " << status;
      auto h = Ready();
      ASSERT_EQ(hvcnParseORAddress("/C=XX/ADMD=ICAO/PRMD=FRANCE/O=DSNA/CN=Roissy tower/", h.get(), 0), hvcnSUCCESS);
      char out[9];
      const int32_t back = hvcnORAddressToAFTN(h.get(), damaged.get(), size, out, sizeof out, nullptr);
      EXPECT_TRUE(back == hvcnSUCCESS || back == hvcnERR_BAD_PARAMETER || back == hvcnERR_NOT_AN_ADDRESS) << at;
    }
  }
}

}  // namespace
}  // namespace hvcn::test
