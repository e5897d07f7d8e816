// hvcn orname: O/R addresses in the standard text forms (F.401 Annex F /
// RFC 1685, RFC 2156), their RFC 822 mapping, and the library's typed form.
#include <cstdio>
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
    {"--from", "FORM", "auto (the default), annexf, stdor, rfc822, typed or der (hex)",
     "auto annexf stdor rfc822 typed der"},
    {"--to", "FORM", "stdor (the default), annexf, typed, rfc822 or der (hex)", "stdor annexf typed rfc822 der"},
    {"--gateway", "DOMAIN", "the gateway domain of the RFC 822 mapping"},
    {"--table", "FILE", "an RFC 2156 domain mapping table", nullptr, false, nullptr, true},
    {"--labels", "KIND", "short (A=, P=, Q=) or long (ADMD=, PRMD=, GQ=) labels", "short long"},
    {"--teletex-escapes", nullptr, "the \"/\" form writes teletex characters as {ddd} T.61 codes, not UTF-8"},
    {"--prefer-teletex", nullptr, "a typed name (--from typed) keeps its values in their teletex variants"},
    {"--format", "F", "format string of typed names (default: the configured one)"},
    {"--json", nullptr, "print one JSON object per address"},
    cli::kJobsOption,
    cli::kEncodingOption,
};

enum class Form { Auto, AnnexF, StdOr, Rfc822, Typed, Der };

bool FormOption(const char* text, bool reading, Form* form) {
  const std::string_view value = text ? text : (reading ? "auto" : "stdor");
  const struct {
    const char* name;
    Form form;
    bool readOnly;
  } kForms[] = {{"auto", Form::Auto, true},       {"annexf", Form::AnnexF, false}, {"stdor", Form::StdOr, false},
                {"rfc822", Form::Rfc822, false}, {"typed", Form::Typed, false},  {"der", Form::Der, false}};
  for (const auto& entry : kForms)
    if (value == entry.name && (reading || !entry.readOnly)) {
      *form = entry.form;
      return true;
    }
  return false;
}

// Reads a mapping table file into the library's table form; prints why it
// cannot.
bool LoadTable(const char* path, std::vector<uint8_t>* table) {
  std::string text;
  if (!cli::ReadTextFile(path, "table", "a mapping table", text)) return false;
  uint32_t needed = 0, line = 0;
  int32_t status = hvcnParseORTable(text.c_str(), nullptr, 0, &needed, &line);
  if (status == hvcnERR_BUFFER_TOO_SMALL) {
    table->assign(needed, 0);
    status = hvcnParseORTable(text.c_str(), table->data(), needed, &needed, &line);
  }
  if (status == hvcnSUCCESS) return true;
  cli::Error("table %s, line %u: %d: %s", path, line, status, cli::StatusText(status).c_str());
  return false;
}

struct Settings {
  Form from = Form::Auto, to = Form::StdOr;
  const char* format = nullptr;
  const char* gateway = nullptr;
  std::shared_ptr<const std::vector<uint8_t>> table;  // shared by the workers; null: none
  uint32_t labels = 0;
  uint32_t escapes = 0;  // hvcnOR_TELETEX_ESCAPES
  uint32_t parseFlags = hvcnPARSE_COMPLETE;  // of a typed name
  bool json = false;
};

constexpr cli::Shape kShape{"input"};

class OrNameHandler : public cli::Handler {
 public:
  explicit OrNameHandler(const Settings& s)
      : s_(s), f_(std::make_unique<hvcnFormat>()) {}

  bool Ready() { return cli::ReadyFormat(s_.format, f_.get()); }

  void Handle(const char* text, size_t length, cli::Results& results) override {
    cli::Result& r = results.Add();
    r.input = std::string_view(text, length);
    r.status = Read(text, r);
    const bool held = r.status == hvcnSUCCESS;
    output_ = {};
    if (r.status == hvcnSUCCESS) r.status = Write();
    if (r.status != hvcnSUCCESS && r.detail.empty()) r.detail = f_->errorDetail;
    if (!s_.json) {
      if (r.status == hvcnSUCCESS) {
        cli::AppendShown(r.text, output_);
        r.text += '\n';
      }
      return;
    }
    if (r.status == hvcnSUCCESS) r.Field("output", output_);
    if (held) attributesJson_.AppendHeld(r.Raw("attributes"), *f_);
  }

 private:
  const void* Table() const { return s_.table ? s_.table->data() : nullptr; }
  uint32_t TableSize() const { return s_.table ? static_cast<uint32_t>(s_.table->size()) : 0; }
  bool Mapping() const { return s_.gateway || s_.table; }

  // Reads the text into the format; a refusal is explained in the result.
  int32_t Read(const char* text, cli::Result& r) {
    switch (s_.from) {
      case Form::Rfc822: return hvcnRFC822ToORAddress(text, f_.get(), s_.gateway, Table(), TableSize());
      case Form::Typed: {
        uint32_t context = 0;
        const int32_t status = hvcnParseName(text, f_.get(), 0, nullptr, 0, &context, s_.parseFlags);
        if (status != hvcnSUCCESS)
          r.explanation = cli::ExplainName("orname", *f_, status, s_.parseFlags, r.input, &r.column);
        return status;
      }
      case Form::AnnexF: return ReadORAddress(text, hvcnOR_FROM_ANNEXF, r);
      case Form::StdOr: return ReadORAddress(text, hvcnOR_FROM_STDOR, r);
      case Form::Der: return ReadDer(r);
      case Form::Auto: break;
    }
    // The library's classifier tells an RFC 822 address: through the
    // mapping when one is given; without one, an O/R address in the "/"
    // form at its own domain (the gateway).
    const int32_t kind = cli::KindOf(r.input);
    if (Mapping() && (kind == hvcnKIND_RFC822 || kind == hvcnKIND_MAILBOX))
      return hvcnRFC822ToORAddress(text, f_.get(), s_.gateway, Table(), TableSize());
    if (kind == hvcnKIND_RFC822) {
      int32_t read = 0;
      return hvcnReadAddress(text, f_.get(), 0, &read);
    }
    const int32_t status = ReadORAddress(text, hvcnOR_FROM_AUTO, r);
    if (status != hvcnSUCCESS) r.explanation = cli::Hint("orname", kind, r.input);
    return status;
  }

  // An O/R address in a standard form: the detail names the component at
  // fault, the library's explanation adds its column.
  int32_t ReadORAddress(const char* text, uint32_t flags, cli::Result& r) {
    const int32_t status = hvcnParseORAddress(text, f_.get(), flags);
    if (status != hvcnSUCCESS) cli::Explanation(*f_, status, hvcnEXPLAIN_OR_ADDRESS, flags, text, &r.column);
    return status;
  }

  // An ORAddress, ORName or x400Address in BER or DER, written in hex. Text
  // that is no hex is refused as a badly formed address, the tool saying
  // where.
  int32_t ReadDer(cli::Result& r) {
    size_t bad = 0;
    if (!cli::ReadHex(r.input, bytes_, &bad)) {
      f_->errorDetail[0] = '\0';  // no library call: no detail of the address before
      r.column = static_cast<uint32_t>(cli::ColumnOf(r.input, bad));
      r.explanation = bad < r.input.size()
                          ? cli::Format("The text is no hex: the character at column %u is not a hex digit.", r.column)
                          : std::string("The text is no hex: its last byte has one hex digit.");
      return hvcnERR_BAD_X400;
    }
    return hvcnDecodeORAddress(bytes_.data(), static_cast<uint32_t>(bytes_.size()), f_.get(), 0, nullptr);
  }

  // Writes the held name in the form asked for into output_.
  int32_t Write() {
    switch (s_.to) {
      case Form::StdOr: return names_.ORAddress(*f_, s_.labels | s_.escapes, &output_);
      case Form::AnnexF: return names_.ORAddress(*f_, hvcnOR_ANNEXF | s_.labels, &output_);
      case Form::Der: return names_.DerHex(*f_, 0, &output_);
      default: break;
    }
    const int32_t status = cli::CallSized(buffer_, [&](char* text, uint32_t room, uint32_t* needed) {
      if (s_.to == Form::Typed) return hvcnFormatNameEx(f_.get(), text, room, needed, hvcnFN_REFORMAT);
      return hvcnORAddressToRFC822(f_.get(), s_.gateway, Table(), TableSize(), text, room, needed,
                                   s_.labels & hvcnOR_SHORT_LABELS);
    });
    output_ = status == hvcnSUCCESS ? std::string_view(buffer_.c_str()) : std::string_view();
    return status;
  }

  const Settings s_;
  std::unique_ptr<hvcnFormat> f_;
  std::string buffer_, bytes_;
  std::string_view output_;  // in buffer_ or names_
  cli::NameWriter names_;
  cli::AttributesJson attributesJson_;
};

int Run(const cli::Invocation& args) {
  Settings s;
  if (!FormOption(args.Value("--from"), true, &s.from)) {
    cli::Error("--from takes auto, annexf, stdor, rfc822, typed or der, not '%s'", args.Value("--from"));
    return cli::kUsage;
  }
  if (!FormOption(args.Value("--to"), false, &s.to)) {
    cli::Error("--to takes stdor, annexf, typed, rfc822 or der, not '%s'", args.Value("--to"));
    return cli::kUsage;
  }
  if (const char* labels = args.Value("--labels")) {
    if (std::strcmp(labels, "short") == 0) s.labels = hvcnOR_SHORT_LABELS;
    else if (std::strcmp(labels, "long") == 0) s.labels = hvcnOR_LONG_LABELS;
    else {
      cli::Error("--labels takes short or long, not '%s'", labels);
      return cli::kUsage;
    }
  }
  s.gateway = args.Value("--gateway");
  if (args.Has("--teletex-escapes")) s.escapes = hvcnOR_TELETEX_ESCAPES;
  if (args.Has("--prefer-teletex")) {
    if (s.from != Form::Typed) {
      cli::Error("--prefer-teletex is for typed names: give --from typed");
      return cli::kUsage;
    }
    s.parseFlags |= hvcnPARSE_PREFER_TELETEX;
  }
  if (s.gateway && hvcnCheckGatewayDomain(s.gateway) != hvcnSUCCESS) {
    cli::Error("--gateway takes a domain (letters, digits, '-' and '_' in labels separated by dots), not '%s'",
               cli::ShowControls(s.gateway).c_str());
    return cli::kUsage;
  }
  const char* tablePath = args.Value("--table");
  if ((s.from == Form::Rfc822 || s.to == Form::Rfc822) && !s.gateway && !tablePath) {
    cli::Error("the RFC 822 form needs --gateway DOMAIN, --table FILE or both");
    return cli::kUsage;
  }
  s.format = args.Value("--format");
  s.json = args.Has("--json");
  if (tablePath) {
    auto table = std::make_shared<std::vector<uint8_t>>();
    if (!LoadTable(tablePath, table.get())) return cli::kFailed;
    s.table = std::move(table);
  }
  const cli::ResultWriter writer(kShape, s.json);
  return cli::RunInputs(args, writer, [s]() -> std::unique_ptr<cli::Handler> {
    auto handler = std::make_unique<OrNameHandler>(s);
    if (!handler->Ready()) return nullptr;
    return handler;
  });
}

}  // namespace

const cli::Command kOrNameCommand = {
    "orname",
    "Read and write O/R addresses in their standard forms (RFC 1685, RFC 2156) and as RFC 822 addresses.",
    "[TEXT...]",
    "Reads each address in the form --from says and writes it in the form --to\n"
    "says. auto reads an RFC 822 address when it looks like one and --gateway or\n"
    "--table is given, or when its local part is an O/R address in the \"/\" form\n"
    "(its domain is then taken as the gateway); else the \"/\" form when the text\n"
    "starts with '/', else the \";\" form. typed reads and writes names under\n"
    "--format. The rfc822 form, either way, needs a gateway domain, a mapping table,\n"
    "or both. der reads an ORAddress, ORName or x400Address in BER or DER written in\n"
    "hex (blanks and colons may stand between the bytes) and writes an ORAddress in\n"
    "DER as lowercase hex. Without TEXT, addresses are read from standard input, one a line;\n"
    "each gives one line (the written form, or error N: text detail) or, with\n"
    "--json, one JSON object with the attributes read (as parse --json shows\n"
    "them), in the order of the input. The exit status is 1 when an address\n"
    "cannot be read or written; the status text and where it goes wrong also go\n"
    "to standard error (with --json: the object's error and detail).\n\n"
    "examples:\n"
    "  $ hvcn orname 'G=john; S=smith; O=a bank ltd; P=abl; A=snomail; C=aq'\n"
    "  /G=john/S=smith/O=a bank ltd/PRMD=abl/ADMD=snomail/C=aq/\n"
    "  $ hvcn orname --to annexf '/c=US/a=TELENET/p=ABC/o=P$/Q/g=JOHN/s=STEEL'\n"
    "  G=JOHN;S=STEEL;O=P/Q;P=ABC;A=TELENET;C=US\n"
    "  $ hvcn orname --gateway x400.example.com --to typed \\\n"
    "        '\"/G=John/S=Smith/O=Acme/PRMD=Acme/ADMD=ATTMAIL/C=US/\"@x400.example.com'\n"
    "  Smith, John /o=Acme/c=US/a=ATTMAIL/p=Acme\n"
    "  $ hvcn orname --from typed --to stdor 'Smith, John /o=Acme'\n"
    "  /G=John/S=Smith/O=Acme/\n"
    "  $ hvcn orname --to der '/S=Smith/C=GB/ADMD= /'\n"
    "  301630146104130247426203130120a5078005536d697468\n"
    "  $ hvcn orname --table acme.table --to rfc822 --json < addresses.txt > addresses.jsonl\n",
    kOptions,
    Run,
};
