// Benchmarks of the library's operations over the fixed corpus of
// bench/corpus.h. Each benchmark runs the same loop over its part of the
// corpus and reports, besides the time per iteration, two counters:
//   ns/name   nanoseconds per name (or value, or format string)
//   names/s   names per second
// The *Length benchmarks grow one name and fit the cost to its length.
// Run from a scratch folder with tracing off (scripts/bench.sh does).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "corpus.h"
#include "hvcn.h"

namespace {

using namespace hvcn::bench;

constexpr const char* kDefaultFormat = "%(CANON)%(EFA)%(X400)";

[[noreturn]] void SetUpFailed(const char* what, int32_t status) {
  std::fprintf(stderr, "benchmark set-up failed: %s (status %d)\n", what, status);
  std::abort();
}

// The two counters, for `perIteration` names handled in each iteration of
// the benchmark loop. Created just before the loop, it times the loop.
class CountNames {
 public:
  CountNames(benchmark::State& state, size_t perIteration)
      : state_(state), perIteration_(perIteration), start_(std::chrono::steady_clock::now()) {}
  ~CountNames() {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double names = static_cast<double>(state_.iterations()) * static_cast<double>(perIteration_);
    state_.counters["names/s"] = benchmark::Counter(names, benchmark::Counter::kIsRate);
    state_.counters["ns/name"] = names > 0 ? seconds * 1e9 / names : 0.0;
  }
  CountNames(const CountNames&) = delete;
  CountNames& operator=(const CountNames&) = delete;

 private:
  benchmark::State& state_;
  size_t perIteration_;
  std::chrono::steady_clock::time_point start_;
};

std::unique_ptr<hvcnFormat> Ready(const char* formatString = kDefaultFormat) {
  auto f = std::make_unique<hvcnFormat>();
  if (int32_t s = hvcnParseFormatString(formatString, f.get())) SetUpFailed("hvcnParseFormatString", s);
  return f;
}

// The corpus's internal names in one type, written by the library.
std::vector<std::string> InternalTexts(int32_t type) {
  std::vector<std::string> texts;
  for (const char* source : kInternalNames) {
    auto f = Ready();
    if (int32_t s = hvcnTranslateInternalFormat(f.get(), hvcnINTERNAL_GSRS, source, 0, nullptr, 0, 0))
      SetUpFailed("decode the corpus", s);
    char out[2048];
    if (int32_t s = hvcnTranslateInternalFormat(f.get(), 0, nullptr, type, out, sizeof out, hvcnTIF_ALWAYS_ENCODE))
      SetUpFailed("encode the corpus", s);
    texts.emplace_back(out);
  }
  return texts;
}

// One format per corpus name, each holding the decoded name.
std::vector<std::unique_ptr<hvcnFormat>> HeldNames() {
  std::vector<std::unique_ptr<hvcnFormat>> formats;
  for (const char* source : kInternalNames) {
    formats.push_back(Ready());
    if (int32_t s = hvcnTranslateInternalFormat(formats.back().get(), hvcnINTERNAL_GSRS, source, 0, nullptr, 0, 0))
      SetUpFailed("decode the corpus", s);
  }
  return formats;
}

// ---------------------------------------------------------------------------
// Formats

void BM_ParseFormatString(benchmark::State& state) {
  const char* strings[] = {kDefaultFormat, "%(NONCANON)/%(X400)", "%(1)/%(2)/%(10)/%(Room)", "%(116)%(CANON)"};
  auto f = std::make_unique<hvcnFormat>();
  CountNames count(state, std::size(strings));
  for (auto _ : state)
    for (const char* s : strings) benchmark::DoNotOptimize(hvcnParseFormatString(s, f.get()));
}
BENCHMARK(BM_ParseFormatString);

// hvcnParseFormatString(NULL): each initialisation reads the default format
// string from the profile. Argument 0: no TNUAL.INI; 1: a profile of 1 MB
// whose [NameParsing] section comes last, unchanged for an hour. The
// profile lives in a folder of its own for the time of the benchmark.
void BM_ParseDefaultFormat(benchmark::State& state) {
  char folder[] = "/tmp/hvcn-bench-XXXXXX";
  if (!mkdtemp(folder)) SetUpFailed("mkdtemp", 0);
  const std::string profile = std::string(folder) + "/TNUAL.INI";
  if (state.range(0) == 1) {
    std::string text = "[Other]\n";
    for (int i = 0; text.size() < 1'000'000 - 64; ++i) text += "Key" + std::to_string(i) + "=a value of no interest here\n";
    text += "[NameParsing]\nDefaultFormat=%(CANON)%(EFA)%(X400)\n";
    std::FILE* out = std::fopen(profile.c_str(), "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0)
      SetUpFailed("write the profile", 0);
    const timespec anHourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    utimensat(AT_FDCWD, profile.c_str(), anHourAgo, 0);
  }
  const char* saved = std::getenv("HVCN_PROFILE_DIR");
  const std::string restore = saved ? saved : "";
  setenv("HVCN_PROFILE_DIR", folder, 1);
  auto f = std::make_unique<hvcnFormat>();
  {
    CountNames count(state, 1);
    for (auto _ : state) benchmark::DoNotOptimize(hvcnParseFormatString(nullptr, f.get()));
  }
  if (f->flags == 0) state.SkipWithError("the default format did not parse");
  if (saved) setenv("HVCN_PROFILE_DIR", restore.c_str(), 1);
  else unsetenv("HVCN_PROFILE_DIR");
  std::remove(profile.c_str());
  rmdir(folder);
}
BENCHMARK(BM_ParseDefaultFormat)->ArgName("profile_1MB")->DenseRange(0, 1);

void BM_RSList(benchmark::State& state) {
  auto f = Ready();
  const uint32_t off = 0;
  hvcnSetFormatInfo(f.get(), &off, hvcnINFO_RS_USER_ONLY);
  char out[512];
  CountNames count(state, 1);
  for (auto _ : state) benchmark::DoNotOptimize(hvcnGetRSList(f.get(), out, sizeof out));
}
BENCHMARK(BM_RSList);

// ---------------------------------------------------------------------------
// Internal names: decode and encode each type

void BM_Decode(benchmark::State& state) {
  const auto type = static_cast<int32_t>(state.range(0));
  const std::vector<std::string> texts = InternalTexts(type);
  auto f = Ready();
  for (const std::string& t : texts)
    if (int32_t s = hvcnTranslateInternalFormat(f.get(), type, t.c_str(), 0, nullptr, 0, 0)) SetUpFailed("decode", s);
  CountNames count(state, texts.size());
  for (auto _ : state)
    for (const std::string& t : texts)
      benchmark::DoNotOptimize(hvcnTranslateInternalFormat(f.get(), type, t.c_str(), 0, nullptr, 0, 0));
}
BENCHMARK(BM_Decode)->ArgName("type")->DenseRange(1, 3);

void BM_Encode(benchmark::State& state) {
  const auto type = static_cast<int32_t>(state.range(0));
  auto formats = HeldNames();
  char out[2048];
  CountNames count(state, formats.size());
  for (auto _ : state)
    for (auto& f : formats)
      benchmark::DoNotOptimize(
          hvcnTranslateInternalFormat(f.get(), 0, nullptr, type, out, sizeof out, hvcnTIF_ALWAYS_ENCODE));
}
BENCHMARK(BM_Encode)->ArgName("type")->DenseRange(1, 3);

void BM_GetAttributeValue(benchmark::State& state) {
  auto formats = HeldNames();
  const int32_t ids[] = {hvcnATT_SURNAME, hvcnATT_GIVEN_NAME, hvcnATT_ORGANIZATION, hvcnATT_COUNTRY};
  char out[256];
  CountNames count(state, formats.size() * std::size(ids));
  for (auto _ : state)
    for (auto& f : formats)
      for (int32_t id : ids) benchmark::DoNotOptimize(hvcnGetAttributeValue(f.get(), id, out, sizeof out));
}
BENCHMARK(BM_GetAttributeValue);

// ---------------------------------------------------------------------------
// Checks

void BM_ValidateAttribute(benchmark::State& state) {
  for (const CheckedValue& v : kValues)
    if (int32_t s = hvcnValidateAttribute(v.value, 0, v.id)) SetUpFailed(v.value, s);
  CountNames count(state, std::size(kValues));
  for (auto _ : state)
    for (const CheckedValue& v : kValues) benchmark::DoNotOptimize(hvcnValidateAttribute(v.value, 0, v.id));
}
BENCHMARK(BM_ValidateAttribute);

void BM_ValidateTeletexOrPString(benchmark::State& state) {
  int32_t flag = 0;
  CountNames count(state, std::size(kValues));
  for (auto _ : state)
    for (const CheckedValue& v : kValues)
      benchmark::DoNotOptimize(hvcnValidateTeletexOrPString(v.value, 0, &flag));
}
BENCHMARK(BM_ValidateTeletexOrPString);

void BM_InternetCheck(benchmark::State& state) {
  char out[512];
  for (const char* name : kInternetNames)
    if (hvcnParseInternetName(name, out) != 1) SetUpFailed(name, 0);
  CountNames count(state, std::size(kInternetNames));
  for (auto _ : state)
    for (const char* name : kInternetNames) benchmark::DoNotOptimize(hvcnParseInternetName(name, out));
}
BENCHMARK(BM_InternetCheck);

void BM_GsEtbInternetCheck(benchmark::State& state) {
  const std::vector<std::string> texts = InternalTexts(hvcnINTERNAL_GSETB);
  CountNames count(state, texts.size());
  for (auto _ : state)
    for (const std::string& t : texts) benchmark::DoNotOptimize(hvcnIsGSETBInternetName(t.c_str()));
}
BENCHMARK(BM_GsEtbInternetCheck);

void BM_ErrorText(benchmark::State& state) {
  char out[256];
  CountNames count(state, 32);
  for (auto _ : state)
    for (int32_t code = 0; code <= 31; ++code) benchmark::DoNotOptimize(hvcnGetErrorText(code, out, sizeof out));
}
BENCHMARK(BM_ErrorText);

// ---------------------------------------------------------------------------
// Typed names: parsing and formatting

void BM_ParseName(benchmark::State& state) {
  auto f = Ready();
  for (const char* name : kTypedNames) {
    uint32_t context = 0;
    if (int32_t s = hvcnParseName(name, f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE)) SetUpFailed(name, s);
  }
  CountNames count(state, std::size(kTypedNames));
  for (auto _ : state)
    for (const char* name : kTypedNames) {
      uint32_t context = 0;
      benchmark::DoNotOptimize(hvcnParseName(name, f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE));
    }
}
BENCHMARK(BM_ParseName);

void BM_ParseSingleName(benchmark::State& state) {
  const char* name = kSingleNames[state.range(0)];
  auto f = Ready();
  uint32_t first = 0;
  if (int32_t s = hvcnParseName(name, f.get(), 0, nullptr, 0, &first, hvcnPARSE_COMPLETE)) SetUpFailed(name, s);
  state.SetLabel(name);
  CountNames count(state, 1);
  for (auto _ : state) {
    uint32_t context = 0;
    benchmark::DoNotOptimize(hvcnParseName(name, f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE));
  }
}
BENCHMARK(BM_ParseSingleName)->ArgName("name")->DenseRange(0, std::size(kSingleNames) - 1);

void BM_ParseNameToInternal(benchmark::State& state) {
  const auto type = static_cast<int32_t>(state.range(0));
  auto f = Ready();
  char out[2048];
  for (const char* name : kTypedNames) {
    uint32_t context = 0;
    if (int32_t s = hvcnParseName(name, f.get(), type, out, sizeof out, &context, hvcnPARSE_COMPLETE))
      SetUpFailed(name, s);
  }
  CountNames count(state, std::size(kTypedNames));
  for (auto _ : state)
    for (const char* name : kTypedNames) {
      uint32_t context = 0;
      benchmark::DoNotOptimize(hvcnParseName(name, f.get(), type, out, sizeof out, &context, hvcnPARSE_COMPLETE));
    }
}
BENCHMARK(BM_ParseNameToInternal)->ArgName("type")->DenseRange(1, 3);

void BM_FormatName(benchmark::State& state) {
  auto formats = HeldNames();
  char out[1024];
  CountNames count(state, formats.size());
  for (auto _ : state)
    for (auto& f : formats) benchmark::DoNotOptimize(hvcnFormatName(f.get(), out, sizeof out, hvcnFN_REFORMAT));
}
BENCHMARK(BM_FormatName);

// ---------------------------------------------------------------------------
// O/R addresses: the standard forms and the RFC 822 mapping

void BM_ParseORAddress(benchmark::State& state) {
  auto f = Ready();
  for (const char* text : kORAddresses)
    if (int32_t s = hvcnParseORAddress(text, f.get(), hvcnOR_FROM_AUTO)) SetUpFailed(text, s);
  CountNames count(state, std::size(kORAddresses));
  for (auto _ : state)
    for (const char* text : kORAddresses) benchmark::DoNotOptimize(hvcnParseORAddress(text, f.get(), hvcnOR_FROM_AUTO));
}
BENCHMARK(BM_ParseORAddress);

// One format per address, each holding it.
std::vector<std::unique_ptr<hvcnFormat>> HeldORAddresses() {
  std::vector<std::unique_ptr<hvcnFormat>> formats;
  for (const char* text : kORAddresses) {
    formats.push_back(Ready());
    if (int32_t s = hvcnParseORAddress(text, formats.back().get(), hvcnOR_FROM_AUTO)) SetUpFailed(text, s);
  }
  return formats;
}

// Arg 0: the "/" form, 1: the ";" form.
void BM_FormatORAddress(benchmark::State& state) {
  const uint32_t flags = state.range(0) ? hvcnOR_ANNEXF : 0;
  auto formats = HeldORAddresses();
  char out[1024];
  CountNames count(state, formats.size());
  for (auto _ : state)
    for (auto& f : formats) benchmark::DoNotOptimize(hvcnFormatORAddress(f.get(), out, sizeof out, nullptr, flags));
}
BENCHMARK(BM_FormatORAddress)->ArgName("annexf")->DenseRange(0, 1);

std::vector<uint8_t> ORTable() {
  uint32_t needed = 0, line = 0;
  hvcnParseORTable(kORTable, nullptr, 0, &needed, &line);
  std::vector<uint8_t> table(needed);
  if (int32_t s = hvcnParseORTable(kORTable, table.data(), needed, &needed, &line)) SetUpFailed("the O/R table", s);
  return table;
}

// Arg 0: through the gateway alone, 1: through the table (and the gateway
// for what it does not map).
void BM_ORAddressToRFC822(benchmark::State& state) {
  const std::vector<uint8_t> table = state.range(0) ? ORTable() : std::vector<uint8_t>();
  const void* rows = table.empty() ? nullptr : table.data();
  const auto size = static_cast<uint32_t>(table.size());
  auto formats = HeldORAddresses();
  char out[1024];
  for (auto& f : formats)
    if (int32_t s = hvcnORAddressToRFC822(f.get(), kORGateway, rows, size, out, sizeof out, nullptr, 0))
      SetUpFailed("hvcnORAddressToRFC822", s);
  CountNames count(state, formats.size());
  for (auto _ : state)
    for (auto& f : formats)
      benchmark::DoNotOptimize(hvcnORAddressToRFC822(f.get(), kORGateway, rows, size, out, sizeof out, nullptr, 0));
}
BENCHMARK(BM_ORAddressToRFC822)->ArgName("table")->DenseRange(0, 1);

void BM_RFC822ToORAddress(benchmark::State& state) {
  const std::vector<uint8_t> table = ORTable();
  const auto size = static_cast<uint32_t>(table.size());
  auto f = Ready();
  for (const char* address : kRFC822Addresses)
    if (int32_t s = hvcnRFC822ToORAddress(address, f.get(), kORGateway, table.data(), size)) SetUpFailed(address, s);
  CountNames count(state, std::size(kRFC822Addresses));
  for (auto _ : state)
    for (const char* address : kRFC822Addresses)
      benchmark::DoNotOptimize(hvcnRFC822ToORAddress(address, f.get(), kORGateway, table.data(), size));
}
BENCHMARK(BM_RFC822ToORAddress);

// A mapping table of n rows (rN.example for C=US, ADMD=aN, PRMD=p): one
// look-up each way a name, in a table of 1,000 and of 100,000 rows. A table
// is checked when it is read, so both are binary searches.
std::vector<uint8_t> GrownORTable(uint32_t rows) {
  std::string text;
  for (uint32_t i = 0; i < rows; ++i)
    text += "r" + std::to_string(i) + ".example#C=US$ADMD=a" + std::to_string(i) + "$PRMD=p#\n";
  uint32_t needed = 0, line = 0;
  hvcnParseORTable(text.c_str(), nullptr, 0, &needed, &line);
  std::vector<uint8_t> table(needed);
  if (int32_t s = hvcnParseORTable(text.c_str(), table.data(), needed, &needed, &line)) SetUpFailed("a grown table", s);
  return table;
}

// Arg: the rows. Each name is read from its RFC 822 address and written back.
void BM_ORTableLookUp(benchmark::State& state) {
  const auto rows = static_cast<uint32_t>(state.range(0));
  const std::vector<uint8_t> table = GrownORTable(rows);
  const auto size = static_cast<uint32_t>(table.size());
  std::vector<std::string> addresses;
  for (uint32_t k = 0; k < 64; ++k) addresses.push_back("x@r" + std::to_string(k * 7919u % rows) + ".example");
  auto f = Ready();
  char out[128];
  CountNames count(state, addresses.size());
  for (auto _ : state)
    for (const std::string& address : addresses) {
      benchmark::DoNotOptimize(hvcnRFC822ToORAddress(address.c_str(), f.get(), nullptr, table.data(), size));
      benchmark::DoNotOptimize(hvcnORAddressToRFC822(f.get(), nullptr, table.data(), size, out, sizeof out, nullptr, 0));
    }
}
BENCHMARK(BM_ORTableLookUp)->ArgName("rows")->Arg(1000)->Arg(100000);

// ---------------------------------------------------------------------------
// The binary O/R address: the typical address decoded from DER and encoded

std::unique_ptr<hvcnFormat> HeldTypicalAddress() {
  auto f = Ready();
  if (int32_t s = hvcnParseORAddress(kTypicalORAddress, f.get(), hvcnOR_FROM_AUTO)) SetUpFailed(kTypicalORAddress, s);
  return f;
}

std::vector<uint8_t> TypicalDer() {
  auto f = HeldTypicalAddress();
  uint32_t length = 0;
  hvcnEncodeORAddress(f.get(), nullptr, 0, &length, 0);
  std::vector<uint8_t> der(length);
  if (int32_t s = hvcnEncodeORAddress(f.get(), der.data(), length, &length, 0)) SetUpFailed("hvcnEncodeORAddress", s);
  return der;
}

void BM_DecodeORAddress(benchmark::State& state) {
  const std::vector<uint8_t> der = TypicalDer();
  auto f = Ready();
  const auto length = static_cast<uint32_t>(der.size());
  if (int32_t s = hvcnDecodeORAddress(der.data(), length, f.get(), 0, nullptr)) SetUpFailed("hvcnDecodeORAddress", s);
  CountNames count(state, 1);
  for (auto _ : state) benchmark::DoNotOptimize(hvcnDecodeORAddress(der.data(), length, f.get(), 0, nullptr));
}
BENCHMARK(BM_DecodeORAddress);

void BM_EncodeORAddress(benchmark::State& state) {
  auto f = HeldTypicalAddress();
  uint8_t out[256];
  uint32_t length = 0;
  CountNames count(state, 1);
  for (auto _ : state) benchmark::DoNotOptimize(hvcnEncodeORAddress(f.get(), out, sizeof out, &length, 0));
}
BENCHMARK(BM_EncodeORAddress);
// AMHS: AF-Addresses to O/R addresses and back, through tables of 10,000
// rows of our own making: MD keys of every level (a few with '*'), the CAAS
// locations of the CAAS domains, USER rows.

struct AmhsSetUp {
  std::string text;
  std::vector<uint8_t> tables;
  std::vector<std::string> addresses;  // AF-Addresses that convert (XF, CAAS and USER)
};

const AmhsSetUp& Amhs() {
  static const AmhsSetUp kSetUp = [] {
    AmhsSetUp a;
    uint32_t seed = 9880;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    const auto letters = [&](size_t n) {
      std::string out;
      for (size_t i = 0; i < n; ++i) out += static_cast<char>('A' + next() % 26);
      return out;
    };
    std::vector<std::string> md2, caasDomains;
    std::set<std::string> keys;
    size_t rows = 0;
    const auto mdRow = [&](const std::string& key, const std::string& scheme) {
      if (!keys.insert(key).second) return false;
      const std::string prmd = "P" + std::to_string(rows);
      a.text += "MD\t" + key + "\tXX\tICAO\t" + prmd + "\t" + scheme + "\n";
      ++rows;
      return true;
    };
    while (md2.size() < 500) {
      const std::string key = letters(2), scheme = next() % 5 < 3 ? "CAAS" : "XF";
      if (mdRow(key, scheme)) {
        md2.push_back(key);
        if (scheme == "CAAS") caasDomains.push_back(key + "\tP" + std::to_string(rows - 1));
      }
    }
    for (int i = 0; i < 1000; ++i) mdRow(letters(4), "XF");
    for (int i = 0; i < 400; ++i) mdRow(letters(2) + "**" + letters(3), "XF");
    for (int i = 0; i < 100; ++i) mdRow(letters(7), "XF");
    for (const char* key : {"Q*", "QQ**", "Q*QQ", "QQ**Q*Q", "QQQQQQ*"}) mdRow(key, "XF");
    while (rows < 7000) {
      const std::string& domain = caasDomains[next() % caasDomains.size()];
      const std::string location = domain.substr(0, 2) + letters(2);
      if (!keys.insert(location + domain).second) continue;
      a.text += "CAAS\t" + location + "\tXX\tICAO\t" + domain.substr(3) + "\t" + location + "\n";
      ++rows;
    }
    for (int i = 0; rows < 10000; ++i) {
      a.text += "USER\t" + letters(8) + "\t/C=XX/ADMD=ICAO/PRMD=U" + std::to_string(i % 50) + "/O=ORG" +
                std::to_string(i % 300) + "/CN=User " + std::to_string(i) + "/\n";
      ++rows;
    }
    uint32_t needed = 0, line = 0;
    hvcnParseAMHSTables(a.text.c_str(), nullptr, 0, &needed, &line);
    a.tables.resize(needed);
    if (int32_t s = hvcnParseAMHSTables(a.text.c_str(), a.tables.data(), needed, &needed, &line)) {
      std::fprintf(stderr, "line %u\n", line);
      SetUpFailed("the AMHS tables", s);
    }
    // Addresses that convert: as many XF as CAAS, and a third of USER rows.
    auto f = Ready();
    size_t count[4] = {};
    while (count[hvcnAMHS_XF] + count[hvcnAMHS_CAAS] < 1536) {
      const std::string af = md2[next() % md2.size()] + letters(6);
      uint32_t scheme = 0;
      if (hvcnAFTNToORAddress(af.c_str(), a.tables.data(), needed, f.get(), &scheme) != hvcnSUCCESS ||
          scheme == hvcnAMHS_USER || count[scheme] >= 768)
        continue;
      ++count[scheme];
      a.addresses.push_back(af);
    }
    for (size_t at = a.text.find("USER\t"); a.addresses.size() < 2304 && at != std::string::npos;
         at = a.text.find("USER\t", at + 1))
      a.addresses.push_back(a.text.substr(at + 5, 8));
    return a;
  }();
  return kSetUp;
}

void BM_ParseAMHSTables(benchmark::State& state) {
  const AmhsSetUp& a = Amhs();
  std::vector<uint8_t> tables(a.tables.size());
  uint32_t needed = 0, line = 0;
  CountNames count(state, 1);
  for (auto _ : state)
    benchmark::DoNotOptimize(hvcnParseAMHSTables(a.text.c_str(), tables.data(), static_cast<uint32_t>(tables.size()),
                                                 &needed, &line));
}
BENCHMARK(BM_ParseAMHSTables)->Unit(benchmark::kMillisecond);

void BM_AFTNToORAddress(benchmark::State& state) {
  const AmhsSetUp& a = Amhs();
  const auto size = static_cast<uint32_t>(a.tables.size());
  auto f = Ready();
  CountNames count(state, a.addresses.size());
  for (auto _ : state)
    for (const std::string& af : a.addresses)
      benchmark::DoNotOptimize(hvcnAFTNToORAddress(af.c_str(), a.tables.data(), size, f.get(), nullptr));
}
BENCHMARK(BM_AFTNToORAddress);

// Arg: how many formats hold the converted addresses - 64 that stay in the
// processor's cache (a gateway converts the address it has just read), or
// one for each of the 2304 addresses, which is mostly the cost of reaching
// the formats' records.
void BM_ORAddressToAFTN(benchmark::State& state) {
  const AmhsSetUp& a = Amhs();
  const auto size = static_cast<uint32_t>(a.tables.size());
  const auto count = static_cast<size_t>(state.range(0));
  std::vector<std::unique_ptr<hvcnFormat>> formats;
  for (size_t i = 0; i < count; ++i) {
    const std::string& af = a.addresses[i * a.addresses.size() / count];
    formats.push_back(Ready());
    if (int32_t s = hvcnAFTNToORAddress(af.c_str(), a.tables.data(), size, formats.back().get(), nullptr))
      SetUpFailed(af.c_str(), s);
  }
  char out[9];
  CountNames names(state, formats.size());
  for (auto _ : state)
    for (auto& f : formats) {
      uint32_t result = 0;
      benchmark::DoNotOptimize(hvcnORAddressToAFTN(f.get(), a.tables.data(), size, out, sizeof out, &result));
    }
}
BENCHMARK(BM_ORAddressToAFTN)->ArgName("formats")->Arg(64)->Arg(2304);

// ---------------------------------------------------------------------------
// Cost against length: one name grown to N bytes

// A type 3 name of about n bytes: standard items in turn (later items
// replace earlier values of the same attribute).
std::string GrownInternalName(size_t n) {
  if (n > 1000) n = 1000;  // an internal name holds at most 1024 bytes
  static constexpr const char* kItems[] = {"1\x1dSmith", "2\x1dJohn", "5\x1dSales", "6\x1dNorth",
                                           "9\x1dOrg",   "11\x1dViaero", "12\x1dPRMD", "24\x1dJohn Smith"};
  std::string text;
  for (size_t i = 0; text.size() < n; ++i) {
    if (!text.empty()) text += '\x1e';
    text += kItems[i % std::size(kItems)];
  }
  return text;
}

void BM_DecodeLength(benchmark::State& state) {
  const std::string text = GrownInternalName(static_cast<size_t>(state.range(0)));
  auto f = Ready();
  if (int32_t s = hvcnTranslateInternalFormat(f.get(), hvcnINTERNAL_GSRS, text.c_str(), 0, nullptr, 0, 0))
    SetUpFailed("decode a grown name", s);
  CountNames count(state, 1);
  for (auto _ : state)
    benchmark::DoNotOptimize(hvcnTranslateInternalFormat(f.get(), hvcnINTERNAL_GSRS, text.c_str(), 0, nullptr, 0, 0));
  state.SetComplexityN(static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DecodeLength)->RangeMultiplier(2)->Range(32, 1024)->Complexity(benchmark::oN);

void BM_InternetLength(benchmark::State& state) {
  std::string name;
  while (name.size() + 12 < static_cast<size_t>(state.range(0))) name += name.empty() ? "a" : ".a";
  name += "@example.com";
  std::vector<char> out(2 * name.size() + 1);
  if (hvcnParseInternetName(name.c_str(), out.data()) != 1) SetUpFailed("a grown internet name", 0);
  CountNames count(state, 1);
  for (auto _ : state) benchmark::DoNotOptimize(hvcnParseInternetName(name.c_str(), out.data()));
  state.SetComplexityN(static_cast<int64_t>(name.size()));
}
BENCHMARK(BM_InternetLength)->RangeMultiplier(2)->Range(32, 1024)->Complexity(benchmark::oN);

void BM_ValidateLength(benchmark::State& state) {
  const std::string value(static_cast<size_t>(state.range(0)), 'x');
  int32_t flag = 0;
  CountNames count(state, 1);
  for (auto _ : state) benchmark::DoNotOptimize(hvcnValidateTeletexOrPString(value.c_str(), 0, &flag));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ValidateLength)->RangeMultiplier(2)->Range(32, 1024)->Complexity(benchmark::oN);

// A typed name of about n bytes: four domain-defined attributes whose
// values grow evenly (each at most 128 characters, so about 570 bytes).
std::string GrownTypedName(size_t n) {
  std::string name = "Smith, John /o=Org/c=US";
  const size_t fixed = name.size() + 4 * std::strlen("/dd.kN=");
  size_t each = n > fixed + 4 ? (n - fixed) / 4 : 1;
  if (each > 128) each = 128;
  for (int i = 0; i < 4; ++i) name += "/dd.k" + std::to_string(i) + "=" + std::string(each, 'v');
  return name;
}

void BM_ParseNameLength(benchmark::State& state) {
  const std::string name = GrownTypedName(static_cast<size_t>(state.range(0)));
  auto f = Ready();
  uint32_t first = 0;
  if (int32_t s = hvcnParseName(name.c_str(), f.get(), 0, nullptr, 0, &first, hvcnPARSE_COMPLETE))
    SetUpFailed("parse a grown name", s);
  CountNames count(state, 1);
  for (auto _ : state) {
    uint32_t context = 0;
    benchmark::DoNotOptimize(hvcnParseName(name.c_str(), f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE));
  }
  state.SetComplexityN(static_cast<int64_t>(name.size()));
}
BENCHMARK(BM_ParseNameLength)->RangeMultiplier(2)->Range(32, 512)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
