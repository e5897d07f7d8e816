// hvcn amhs: AFTN addresses to AMHS (O/R) addresses and back, by the ICAO
// look-up tables of a table file (hvcnParseAMHSTables, hvcnAFTNToORAddress,
// hvcnORAddressToAFTN).
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "attributes.h"
#include "batch.h"
#include "cli.h"
#include "commands.h"
#include "explain.h"
#include "files.h"
#include "hvcn.h"
#include "text.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--table", "FILE", "the AMHS tables: MD, CAAS and USER rows (docs/amhs.md)", nullptr, true, nullptr, true},
    {"--to", "FORM", "amhs or aftn (default: amhs for 8 letters, else aftn)", "amhs aftn"},
    {"--originator", nullptr, "the O/R addresses are originators' (the non-delivery diagnostic of a failure)"},
    {"--json", nullptr, "print one JSON object per address"},
    cli::kJobsOption,
    cli::kEncodingOption,
};

enum class To { Auto, Amhs, Aftn };

// The scheme of a conversion, as hvcnAMHS_* numbers it.
const char* SchemeName(uint32_t scheme) {
  switch (scheme & hvcnAMHS_SCHEME_MASK) {
    case hvcnAMHS_XF: return "XF";
    case hvcnAMHS_CAAS: return "CAAS";
    case hvcnAMHS_USER: return "USER";
    default: return nullptr;
  }
}

// An AF-Address as it is told from an O/R address: eight letters.
bool EightLetters(std::string_view text) {
  if (text.size() != 8) return false;
  for (char c : text)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  return true;
}

// Reads the table file into the library's tables; prints why it cannot
// (a bad row with its line and the library's detail).
bool LoadTables(const char* path, std::vector<uint8_t>& tables) {
  std::string text;
  if (!cli::ReadTextFile(path, "table", "an AMHS table", text)) return false;
  uint32_t needed = 0, line = 0;
  int32_t status = hvcnParseAMHSTables(text.c_str(), nullptr, 0, &needed, &line);
  if (status == hvcnERR_BUFFER_TOO_SMALL) {
    tables.assign(needed, 0);
    status = hvcnParseAMHSTables(text.c_str(), tables.data(), needed, &needed, &line);
  }
  if (status == hvcnSUCCESS) return true;
  // The detail is written into the memory given: ask again with room for it
  // when the refusal came from the size query.
  if (tables.size() < sizeof(hvcnFormat::errorDetail)) {
    tables.assign(sizeof(hvcnFormat::errorDetail), 0);
    hvcnParseAMHSTables(text.c_str(), tables.data(), static_cast<uint32_t>(tables.size()), &needed, &line);
  }
  const std::string detail(reinterpret_cast<const char*>(tables.data()), strnlen(reinterpret_cast<const char*>(tables.data()), tables.size()));
  cli::Error("table %s, line %u: %d: %s%s%s", path, line, status, cli::StatusText(status).c_str(),
             detail.empty() ? "" : " ", detail.c_str());
  return false;
}

struct Settings {
  To to = To::Auto;
  bool originator = false;
  bool json = false;
  std::shared_ptr<const std::vector<uint8_t>> tables;  // shared by the workers
};

// A failure is on standard error only.
constexpr cli::Shape kShape{"input", true, false, true};

class AmhsHandler : public cli::Handler {
 public:
  explicit AmhsHandler(const Settings& s) : s_(s), f_(std::make_unique<hvcnFormat>()) {}

  bool Ready() { return cli::ReadyFormat(nullptr, f_.get()); }

  void Handle(const char* text, size_t length, cli::Results& results) override {
    cli::Result& r = results.Add();
    r.input = std::string_view(text, length);
    const bool toAmhs = s_.to == To::Amhs || (s_.to == To::Auto && EightLetters(r.input));
    if (s_.json) r.Field("to", toAmhs ? "amhs" : "aftn");
    if (toAmhs) ToAmhs(text, r);
    else ToAftn(text, r);
  }

 private:
  const void* Tables() const { return s_.tables->data(); }
  uint32_t Size() const { return static_cast<uint32_t>(s_.tables->size()); }

  // A failure: the library's detail; null scheme.
  void Failed(cli::Result& r) {
    r.detail = f_->errorDetail;
    if (s_.json) r.Null("scheme");
  }

  void ToAmhs(const char* text, cli::Result& r) {
    uint32_t scheme = 0;
    std::string_view output;
    r.status = hvcnAFTNToORAddress(text, Tables(), Size(), f_.get(), &scheme);
    if (r.status == hvcnSUCCESS) r.status = names_.ORAddress(*f_, 0, &output);
    if (r.status != hvcnSUCCESS) return Failed(r);
    if (!s_.json) {
      cli::AppendShown(r.text, output);
      r.text += '\n';
      return;
    }
    r.Field("output", output);
    r.Field("scheme", SchemeName(scheme));
    attributesJson_.AppendHeld(r.Raw("attributes"), *f_);
  }

  void ToAftn(const char* text, cli::Result& r) {
    r.status = hvcnParseORAddress(text, f_.get(), hvcnOR_FROM_AUTO);
    if (r.status != hvcnSUCCESS) {
      cli::Explanation(*f_, r.status, hvcnEXPLAIN_OR_ADDRESS, hvcnOR_FROM_AUTO, text, &r.column);
      return Failed(r);
    }
    uint32_t result = hvcnAMHS_KEEP_REVERSE | (s_.originator ? hvcnAMHS_ORIGINATOR : 0u);
    char aftn[9];
    r.status = hvcnORAddressToAFTN(f_.get(), Tables(), Size(), aftn, sizeof aftn, &result);
    if (r.status != hvcnSUCCESS) return Failed(r);
    // The held name is now the reverse conversion, if there is one.
    const bool consistent = !(result & hvcnAMHS_INCONSISTENT);
    const bool hasReverse = !(result & hvcnAMHS_NO_REVERSE);
    std::string_view reverse;
    if (hasReverse && (s_.json || !consistent) && names_.ORAddress(*f_, 0, &reverse) != hvcnSUCCESS) reverse = {};
    if (!s_.json) {
      r.text += aftn;
      r.text += '\n';
      if (!consistent)
        r.warning = hasReverse ? cli::Format("the tables convert %s back to %s, not to this address", aftn,
                                             cli::ShowControls(reverse).c_str())
                               : cli::Format("the tables convert %s back to no O/R address", aftn);
      return;
    }
    r.Field("output", aftn);
    r.Field("scheme", SchemeName(result));
    r.Bool("consistent", consistent);
    if (hasReverse) r.Field("reverse", reverse);
    else r.Null("reverse");
  }

  const Settings& s_;
  std::unique_ptr<hvcnFormat> f_;
  cli::NameWriter names_;
  cli::AttributesJson attributesJson_;
};

int Run(const cli::Invocation& args) {
  Settings s;
  if (const char* to = args.Value("--to")) {
    if (std::strcmp(to, "amhs") == 0) s.to = To::Amhs;
    else if (std::strcmp(to, "aftn") == 0) s.to = To::Aftn;
    else {
      cli::Error("--to takes amhs or aftn, not '%s'", to);
      return cli::kUsage;
    }
  }
  const char* path = args.Value("--table");
  if (!path) {
    cli::Error("the conversions need the tables: --table FILE (see 'hvcn amhs --help')");
    return cli::kUsage;
  }
  s.originator = args.Has("--originator");
  s.json = args.Has("--json");
  auto tables = std::make_shared<std::vector<uint8_t>>();
  if (!LoadTables(path, *tables)) return cli::kFailed;
  s.tables = std::move(tables);
  const cli::ResultWriter writer(kShape, s.json);
  return cli::RunInputs(args, writer, [&s]() -> std::unique_ptr<cli::Handler> {
    auto handler = std::make_unique<AmhsHandler>(s);
    if (!handler->Ready()) return nullptr;
    return handler;
  });
}

}  // namespace

const cli::Command kAmhsCommand = {
    "amhs",
    "Convert AFTN addresses to AMHS (X.400) addresses and back, by the ICAO look-up tables.",
    "[ADDRESS...]",
    "Reads the tables of --table once (MD, CAAS and USER rows, one a line, fields\n"
    "separated by a TAB: docs/amhs.md). An AF-Address (eight letters, any case)\n"
    "becomes its AMHS address, written in the \"/\" form; an O/R address (in the\n"
    "\"/\" or \";\" form) becomes its AF-Address, which is then converted back and\n"
    "compared: when the tables give another address, or none, the AF-Address\n"
    "stands and a warning on standard error says so. --to amhs or --to aftn\n"
    "takes every address one way. A failure (not an AF-Address, no MD row, an\n"
    "ambiguous MD, an address of neither scheme without a USER row...) goes to\n"
    "standard error with the library's detail, which for an O/R address names the\n"
    "non-delivery diagnostic (--originator: an originator's). Without ADDRESS,\n"
    "addresses are read from standard input, one a line; with --json each gives\n"
    "one JSON object: to, output, scheme (XF, CAAS or USER), for a conversion to\n"
    "AFTN consistent and reverse (the address the tables give back), for one to\n"
    "AMHS the attributes (as parse --json shows them). The exit status is 1 when\n"
    "an address cannot be converted or the table file cannot be read.\n\n"
    "examples:\n"
    "  $ hvcn amhs --table docs/amhs-sample.tsv VVTSOPTA AYPYANGM\n"
    "  /CN=VVTSOPTA/OU=VVTS/O=VVTS/PRMD=VIETNAM/ADMD=ICAO/C=XX/\n"
    "  /OU=AYPYANGM/O=AFTN/PRMD=SITA/ADMD=ICAO/C=XX/\n"
    "  $ hvcn amhs --table docs/amhs-sample.tsv '/C=XX/ADMD=ICAO/PRMD=ARINC/O=AFTN/OU1=AYPYANGM/'\n"
    "  AYPYANGM\n"
    "  hvcn: amhs: /C=XX/ADMD=ICAO/PRMD=ARINC/O=AFTN/OU1=AYPYANGM/: warning: the tables\n"
    "  convert AYPYANGM back to /OU=AYPYANGM/O=AFTN/PRMD=SITA/ADMD=ICAO/C=XX/, not to this address\n"
    "  $ hvcn amhs --table register.tsv --json < addresses.txt > converted.jsonl\n",
    kOptions,
    Run,
};
