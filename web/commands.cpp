// The playground's own commands, beside the tool's: what the page shows and
// the tool has no command for - the kind of a pasted text, the held address
// in every form (DER and the internal forms among them), the AMHS
// conversion. Each is a cli::Command of the tool's kind and writes its
// results with the tool's result writer, so its objects are shaped as the
// tool's --json objects are (input, status, error, detail, explanation,
// column, then the command's own fields).
#include "web_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "attributes.h"
#include "cli.h"
#include "explain.h"
#include "hvcn.h"
#include "result.h"
#include "text.h"

namespace {

constexpr cli::Shape kShape{"input"};

// Reads a whole file of the page's in-memory file system; "" on failure,
// with the reason said.
bool ReadFile(const char* path, std::string* text) {
  FILE* file = std::fopen(path, "rb");
  if (!file) {
    cli::Error("cannot read '%s': %s", path, std::strerror(errno));
    return false;
  }
  char block[4096];
  for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) text->append(block, got);
  std::fclose(file);
  return true;
}

// ---- Kinds ------------------------------------------------------------------

// The names of hvcnKIND_* in the objects, by value.
constexpr const char* kKindNames[] = {"none",   "typed",    "mailbox",        "rfc822", "annexf", "stdor",
                                      "exchange", "imcea", "directory-name", "der-hex", "aftn"};

const char* KindName(int32_t kind) {
  return kind >= 0 && kind < static_cast<int32_t>(std::size(kKindNames)) ? kKindNames[kind] : "none";
}

// Hex digits, an even number of them (blanks between bytes allowed), that
// hvcnDecodeORAddress reads whole: the bytes in *bytes.
bool ReadsAsDerHex(std::string_view text, hvcnFormat* format, std::string* bytes) {
  bytes->clear();
  int high = -1;
  for (const char c : text) {
    if (c == ' ' || c == ':') continue;
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return false;
    if (high < 0) high = digit;
    else {
      *bytes += static_cast<char>(high * 16 + digit);
      high = -1;
    }
  }
  if (high >= 0 || bytes->size() < 2) return false;
  return hvcnDecodeORAddress(bytes->data(), static_cast<uint32_t>(bytes->size()), format, 0, nullptr) ==
         hvcnSUCCESS;
}

// Eight letters: an AF-Address (it may be a one-word typed name as well).
bool LooksLikeAftn(std::string_view text) {
  if (text.size() != 8) return false;
  for (const char c : text)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  return true;
}

// What kind of text it is: the library's classification, and before it the
// two kinds the page tells itself (DER in hex, an AF-Address). `library`
// receives hvcnClassifyAddress's kind, *status its status. The format is
// ready (the DER test reads into it).
int32_t Classify(const char* text, hvcnFormat* format, int32_t* library, int32_t* status) {
  *library = hvcnKIND_NONE;
  *status = hvcnClassifyAddress(text, format, 0, library);
  std::string bytes;
  if (ReadsAsDerHex(text, format, &bytes)) {
    *status = hvcnSUCCESS;
    return hvcnKIND_DER_HEX;
  }
  if (*status == hvcnSUCCESS && *library == hvcnKIND_TYPED && LooksLikeAftn(text)) return hvcnKIND_AFTN;
  return *library;
}

constexpr cli::Option kKindOptions[] = {{"--json", nullptr, "print a JSON object"}};

int RunKind(const cli::Invocation& args) {
  cli::Results results;
  const auto format = std::make_unique<hvcnFormat>();
  if (!cli::ReadyFormat(nullptr, format.get())) return cli::kFailed;
  for (const char* text : args.Positional()) {
    cli::Result& r = results.Add();
    r.input = text;
    int32_t library = 0;
    const int32_t kind = Classify(text, format.get(), &library, &r.status);
    if (r.status != hvcnSUCCESS) r.detail = format->errorDetail;
    r.Field("kind", KindName(kind));
    r.Field("library", KindName(library));
    r.text += KindName(kind);
    r.text += '\n';
  }
  return cli::WriteResults(cli::ResultWriter(kShape, args.Has("--json")), results);
}

// ---- The held address in every form ------------------------------------------

constexpr cli::Option kFormsOptions[] = {
    {"--from", "HOW", "auto (by its kind), typed or orname", "auto typed orname"},
    {"--format", "F", "the format string of typed names"},
    {"--prefer-teletex", nullptr, "typed names: hvcnPARSE_PREFER_TELETEX"},
    {"--gateway", "DOMAIN", "the gateway domain of the RFC 822 forms"},
    {"--table", "FILE", "an RFC 2156 domain mapping table"},
    {"--amhs", "FILE", "AMHS tables: an AF-Address reads through them"},
    {"--json", nullptr, "print a JSON object"},
};

// A table read by the library into memory of its own size.
template <typename Parse>
int32_t LoadTable(const char* path, std::vector<uint8_t>* table, uint32_t* line, Parse parse) {
  std::string text;
  if (!ReadFile(path, &text)) return hvcnERR_BAD_PARAMETER;
  uint32_t needed = 0;
  int32_t status = parse(text.c_str(), nullptr, 0, &needed, line);
  if (status == hvcnERR_BUFFER_TOO_SMALL) {
    table->assign(needed, 0);
    status = parse(text.c_str(), table->data(), needed, &needed, line);
  }
  return status;
}

class Forms {
 public:
  explicit Forms(const cli::Invocation& args) : args_(args), f_(std::make_unique<hvcnFormat>()) {}

  int Run() {
    const char* from = args_.Value("--from");
    from_ = from ? from : "auto";
    if (from_ != "auto" && from_ != "typed" && from_ != "orname") {
      cli::Error("--from takes auto, typed or orname, not '%s'", from);
      return cli::kUsage;
    }
    gateway_ = args_.Value("--gateway");
    // As hvcn orname says it: the forms panel shows the same line.
    if (gateway_ && hvcnCheckGatewayDomain(gateway_) != hvcnSUCCESS) {
      cli::Error("--gateway takes a domain (letters, digits, '-' and '_' in labels separated by dots), not '%s'",
                 gateway_);
      return cli::kUsage;
    }
    uint32_t line = 0;
    if (const char* path = args_.Value("--table");
        path && LoadTable(path, &table_, &line, hvcnParseORTable) != hvcnSUCCESS) {
      cli::Error("table %s, line %u: the mapping table is refused", path, line);
      return cli::kFailed;
    }
    if (const char* path = args_.Value("--amhs");
        path && LoadTable(path, &amhs_, &line, hvcnParseAMHSTables) != hvcnSUCCESS) {
      cli::Error("AMHS tables %s, line %u: refused", path, line);
      return cli::kFailed;
    }
    if (!cli::ReadyFormat(args_.Value("--format"), f_.get())) return cli::kFailed;
    cli::Results results;
    for (const char* text : args_.Positional()) Handle(text, results.Add());
    return cli::WriteResults(cli::ResultWriter(kShape, args_.Has("--json")), results);
  }

 private:
  bool Mapping() const { return gateway_ || !table_.empty(); }
  const void* Table() const { return table_.empty() ? nullptr : table_.data(); }
  uint32_t TableSize() const { return static_cast<uint32_t>(table_.size()); }

  // Reads the text into the held name; *kind says how it was read.
  int32_t Read(const char* text, cli::Result& r, int32_t* kind) {
    if (from_ == "typed") {
      *kind = hvcnKIND_TYPED;
      return ReadTyped(text, r);
    }
    int32_t library = 0, status = 0;
    *kind = from_ == "orname" ? hvcnKIND_STDOR : Classify(text, f_.get(), &library, &status);
    if (status != hvcnSUCCESS) return status;
    std::string bytes;
    switch (*kind) {
      case hvcnKIND_DER_HEX:
        ReadsAsDerHex(text, f_.get(), &bytes);
        return hvcnDecodeORAddress(bytes.data(), static_cast<uint32_t>(bytes.size()), f_.get(), 0, nullptr);
      case hvcnKIND_AFTN:
        if (!amhs_.empty())
          return hvcnAFTNToORAddress(text, amhs_.data(), static_cast<uint32_t>(amhs_.size()), f_.get(), nullptr);
        *kind = hvcnKIND_TYPED;
        return ReadTyped(text, r);
      case hvcnKIND_TYPED: return ReadTyped(text, r);
      case hvcnKIND_RFC822:
      case hvcnKIND_MAILBOX:
        if (Mapping()) return hvcnRFC822ToORAddress(text, f_.get(), gateway_, Table(), TableSize());
        break;
      default: break;
    }
    if (*kind == hvcnKIND_STDOR || *kind == hvcnKIND_ANNEXF) {
      const uint32_t flags = from_ == "orname" ? hvcnOR_FROM_AUTO : 0;
      status = hvcnParseORAddress(text, f_.get(), flags);
      if (status != hvcnSUCCESS)
        r.explanation = cli::Explanation(*f_, status, hvcnEXPLAIN_OR_ADDRESS, flags, text, &r.column);
      return status;
    }
    return hvcnReadAddress(text, f_.get(), 0, kind);
  }

  int32_t ReadTyped(const char* text, cli::Result& r) {
    const uint32_t flags = hvcnPARSE_COMPLETE | (args_.Has("--prefer-teletex") ? hvcnPARSE_PREFER_TELETEX : 0u);
    uint32_t context = 0;
    const int32_t status = hvcnParseName(text, f_.get(), 0, nullptr, 0, &context, flags);
    if (status != hvcnSUCCESS) r.explanation = cli::Explanation(*f_, status, hvcnEXPLAIN_NAME, flags, text, &r.column);
    return status;
  }

  // One form as a field: its text, or null when the held name has none.
  template <typename Write>
  void Form(cli::Result& r, const char* key, Write write) {
    if (cli::CallSized(buffer_, write) == hvcnSUCCESS) r.Field(key, buffer_.c_str());
    else r.Null(key);
  }

  void Handle(const char* text, cli::Result& r) {
    r.input = text;
    int32_t kind = hvcnKIND_NONE;
    r.status = Read(text, r, &kind);
    r.Field("kind", KindName(kind));
    if (r.status != hvcnSUCCESS) {
      r.detail = f_->errorDetail;
      return;
    }
    hvcnFormat* f = f_.get();
    struct Labelled {
      const char* key;
      uint32_t flags;
    };
    for (const Labelled& form : {Labelled{"stdorShort", hvcnOR_SHORT_LABELS}, Labelled{"stdorLong", hvcnOR_LONG_LABELS},
                                 Labelled{"annexfShort", hvcnOR_ANNEXF | hvcnOR_SHORT_LABELS},
                                 Labelled{"annexfLong", hvcnOR_ANNEXF | hvcnOR_LONG_LABELS}})
      Form(r, form.key, [&](char* out, uint32_t size, uint32_t* needed) {
        return hvcnFormatORAddress(f, out, size, needed, form.flags);
      });
    Form(r, "typed", [&](char* out, uint32_t size, uint32_t* needed) {
      return hvcnFormatNameEx(f, out, size, needed, hvcnFN_REFORMAT);
    });
    if (Mapping())
      Form(r, "rfc822", [&](char* out, uint32_t size, uint32_t* needed) {
        return hvcnORAddressToRFC822(f, gateway_, Table(), TableSize(), out, size, needed, 0);
      });
    else r.Null("rfc822");
    uint32_t length = 0;
    std::string der;
    if (hvcnEncodeORAddress(f, nullptr, 0, &length, 0) == hvcnERR_BUFFER_TOO_SMALL) {
      der.resize(length);
      if (hvcnEncodeORAddress(f, der.data(), length, &length, 0) != hvcnSUCCESS) der.clear();
    }
    if (der.empty()) r.Null("der");
    else {
      std::string hex;
      for (const char c : der) hex += cli::Format("%02x", static_cast<unsigned char>(c));
      r.Field("der", hex);
    }
    for (int32_t type = 1; type <= 3; ++type) {
      const char* key = type == 1 ? "internal1" : type == 2 ? "internal2" : "internal3";
      Form(r, key, [&](char* out, uint32_t size, uint32_t* needed) {
        return hvcnTranslateInternalFormatEx(f, 0, nullptr, type, out, size, needed, hvcnTIF_HELD_NAME);
      });
    }
    cli::CollectHeldValues(*f_, values_);
    attributesJson_.Append(r.Raw("attributes"), values_);
  }

  const cli::Invocation& args_;
  std::string_view from_;
  const char* gateway_ = nullptr;
  std::vector<uint8_t> table_, amhs_;
  std::unique_ptr<hvcnFormat> f_;
  std::string buffer_;
  std::vector<cli::HeldValue> values_;
  cli::AttributesJson attributesJson_;
};

int RunForms(const cli::Invocation& args) { return Forms(args).Run(); }

// ---- AMHS ----------------------------------------------------------------------

constexpr cli::Option kAmhsOptions[] = {
    {"--table", "FILE", "the AMHS tables (MD, CAAS, USER rows)", nullptr, true},
    {"--to", "WAY", "amhs or aftn (default: by the input, 8 letters to AMHS)", "amhs aftn"},
    {"--originator", nullptr, "the address is an originator's"},
    {"--json", nullptr, "print a JSON object"},
};

const char* SchemeName(uint32_t scheme) {
  switch (scheme & hvcnAMHS_SCHEME_MASK) {
    case hvcnAMHS_XF: return "XF";
    case hvcnAMHS_CAAS: return "CAAS";
    case hvcnAMHS_USER: return "USER";
    default: return "";
  }
}

int RunAmhs(const cli::Invocation& args) {
  std::vector<uint8_t> tables;
  uint32_t line = 0;
  const char* path = args.Value("--table");
  const int32_t tableStatus = path ? LoadTable(path, &tables, &line, hvcnParseAMHSTables) : hvcnERR_BAD_PARAMETER;
  const char* to = args.Value("--to");
  if (to && std::strcmp(to, "amhs") != 0 && std::strcmp(to, "aftn") != 0) {
    cli::Error("--to takes amhs or aftn, not '%s'", to);
    return cli::kUsage;
  }
  const auto format = std::make_unique<hvcnFormat>();
  hvcnFormat* f = format.get();
  if (!cli::ReadyFormat(nullptr, f)) return cli::kFailed;
  const uint32_t size = static_cast<uint32_t>(tables.size());
  std::string buffer;
  std::vector<cli::HeldValue> values;
  cli::AttributesJson attributesJson;
  cli::Results results;
  for (const char* text : args.Positional()) {
    cli::Result& r = results.Add();
    r.input = text;
    if (tableStatus != hvcnSUCCESS) {
      // The tables' detail is the text the library wrote into their memory.
      r.status = tableStatus;
      r.detail = cli::Format("line %u: %s", line, tables.empty() ? "" : reinterpret_cast<const char*>(tables.data()));
      continue;
    }
    const bool toAmhs = to ? std::strcmp(to, "amhs") == 0 : LooksLikeAftn(text);
    r.Field("to", toAmhs ? "amhs" : "aftn");
    const auto stdor = [&](const char* key) {
      if (cli::CallSized(buffer, [&](char* out, uint32_t room, uint32_t* needed) {
            return hvcnFormatORAddress(f, out, room, needed, 0);
          }) == hvcnSUCCESS)
        r.Field(key, buffer.c_str());
      else r.Null(key);
    };
    if (toAmhs) {
      uint32_t scheme = 0;
      r.status = hvcnAFTNToORAddress(text, tables.data(), size, f, &scheme);
      if (r.status != hvcnSUCCESS) {
        r.detail = f->errorDetail;
        continue;
      }
      stdor("output");
      r.Field("scheme", SchemeName(scheme));
    } else {
      r.status = hvcnParseORAddress(text, f, hvcnOR_FROM_AUTO);
      if (r.status != hvcnSUCCESS) {
        r.detail = f->errorDetail;
        r.explanation = cli::Explanation(*f, r.status, hvcnEXPLAIN_OR_ADDRESS, hvcnOR_FROM_AUTO, text, &r.column);
        continue;
      }
      char aftn[9] = {};
      uint32_t result = hvcnAMHS_KEEP_REVERSE | (args.Has("--originator") ? hvcnAMHS_ORIGINATOR : 0u);
      r.status = hvcnORAddressToAFTN(f, tables.data(), size, aftn, sizeof aftn, &result);
      if (r.status != hvcnSUCCESS) {
        r.detail = f->errorDetail;
        continue;
      }
      r.Field("output", aftn);
      r.Field("scheme", SchemeName(result));
      r.Bool("consistent", (result & hvcnAMHS_INCONSISTENT) == 0);
      // With KEEP_REVERSE the held name is what the tables give back.
      if (result & hvcnAMHS_NO_REVERSE) r.Null("reverse");
      else stdor("reverse");
    }
    cli::CollectHeldValues(*f, values);
    attributesJson.Append(r.Raw("attributes"), values);
  }
  return cli::WriteResults(cli::ResultWriter(kShape, args.Has("--json")), results);
}

}  // namespace

const cli::Command kWebKindCommand = {
    "kind", "Tell what kind of address each text is.", "TEXT...",
    "hvcnClassifyAddress's kind, after two the page tells itself: DER in hex\n"
    "that hvcnDecodeORAddress reads, and eight letters (an AF-Address).\n",
    kKindOptions, RunKind,
};

const cli::Command kWebFormsCommand = {
    "forms", "Read each text and write the held address in every form.", "TEXT...",
    "The / and ; forms with short and long labels, the typed form under the\n"
    "format string, RFC 822 through --gateway or --table, DER in hex and the\n"
    "three internal forms.\n",
    kFormsOptions, RunForms,
};

const cli::Command kWebAmhsCommand = {
    "amhs", "Convert between AF-Addresses and AMHS O/R addresses.", "TEXT...",
    "An AF-Address goes to its O/R address with the scheme; an O/R address goes\n"
    "to its AF-Address, and the way back is checked (consistent, reverse).\n",
    kAmhsOptions, RunAmhs,
};
