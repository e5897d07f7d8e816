// hvcn orname: O/R addresses in the standard text forms (F.401 Annex F /
// RFC 1685, RFC 2156), their RFC 822 mapping, and the library's typed form.
#include <algorithm>
#include <cerrno>
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
#include "hvcn.h"
#include "text.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--from", "FORM", "auto (the default), annexf, stdor, rfc822 or typed", "auto annexf stdor rfc822 typed"},
    {"--to", "FORM", "stdor (the default), annexf, typed or rfc822", "stdor annexf typed rfc822"},
    {"--gateway", "DOMAIN", "the gateway domain of the RFC 822 mapping"},
    {"--table", "FILE", "an RFC 2156 domain mapping table", nullptr, false, nullptr, true},
    {"--labels", "KIND", "short (A=, P=, Q=) or long (ADMD=, PRMD=, GQ=) labels", "short long"},
    {"--format", "F", "format string of typed names (default: the configured one)"},
    {"--json", nullptr, "print one JSON object per address"},
    cli::kJobsOption,
    cli::kEncodingOption,
};

enum class Form { Auto, AnnexF, StdOr, Rfc822, Typed };

bool FormOption(const char* text, bool reading, Form* form) {
  const std::string_view value = text ? text : (reading ? "auto" : "stdor");
  const struct {
    const char* name;
    Form form;
    bool readOnly;
  } kForms[] = {{"auto", Form::Auto, true},       {"annexf", Form::AnnexF, false}, {"stdor", Form::StdOr, false},
                {"rfc822", Form::Rfc822, false}, {"typed", Form::Typed, false}};
  for (const auto& entry : kForms)
    if (value == entry.name && (reading || !entry.readOnly)) {
      *form = entry.form;
      return true;
    }
  return false;
}

// An RFC 822 address rather than an O/R address: an '@' followed by a
// domain alone, and before it a quoted local part, an O/R address in the
// "/" form or a text without '='.
bool LooksLikeRfc822(std::string_view text) {
  // "phrase <address>": the part between the brackets.
  if (!text.empty() && text.back() == '>' && text.rfind('<') != std::string_view::npos)
    text = text.substr(text.rfind('<') + 1, text.size() - text.rfind('<') - 2);
  const size_t at = text.rfind('@');
  if (at == std::string_view::npos || at == 0) return false;
  if (text.substr(at + 1).find_first_of("/=;") != std::string_view::npos) return false;
  const std::string_view local = text.substr(0, at);
  return local.front() == '"' || local.front() == '/' || local.find('=') == std::string_view::npos;
}

// The domain of an RFC 822 address whose local part is an O/R address in
// the "/" form ("/G=John/S=Smith/C=US/"@gw.example.com): with no gateway
// and no table given, that domain is plainly the gateway. Empty otherwise.
std::string_view GatewayDomainOf(std::string_view text) {
  if (!text.empty() && text.back() == '>' && text.rfind('<') != std::string_view::npos)
    text = text.substr(text.rfind('<') + 1, text.size() - text.rfind('<') - 2);
  const size_t at = text.rfind('@');
  if (at == std::string_view::npos || at + 1 >= text.size()) return {};
  std::string_view local = text.substr(0, at);
  if (local.size() >= 2 && local.front() == '"' && local.back() == '"') local = local.substr(1, local.size() - 2);
  if (local.empty() || local.front() != '/') return {};
  return text.substr(at + 1);
}

// Whether the library takes the text as a gateway domain. It refuses one
// that is no domain (status 3) before it looks at the format, so a format
// not set up (all zero) tells the two apart.
bool TakesGateway(const char* domain) {
  const auto probe = std::make_unique<hvcnFormat>();
  return hvcnRFC822ToORAddress("x@y", probe.get(), domain, nullptr, 0) != hvcnERR_BAD_PARAMETER;
}

// Reads a mapping table file into the library's table form; prints why it
// cannot.
bool LoadTable(const char* path, std::vector<uint8_t>* table) {
  FILE* file = std::fopen(path, "rb");
  if (!file) {
    cli::Error("cannot read the table file '%s': %s", path, std::strerror(errno));
    return false;
  }
  std::string text;
  char block[4096];
  errno = 0;
  for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, got);
  const int readError = std::ferror(file) ? (errno ? errno : EIO) : 0;
  std::fclose(file);
  if (readError) {
    cli::Error("cannot read the table file '%s': %s", path, std::strerror(readError));
    return false;
  }
  // The library reads a table up to its first NUL: a NUL would drop the
  // rows after it without a word.
  if (const size_t nul = text.find('\0'); nul != std::string::npos) {
    const size_t line = 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(nul), '\n'));
    cli::Error("the table file '%s' holds a NUL byte on line %zu: a mapping table is text", path, line);
    return false;
  }
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
    if (r.status != hvcnSUCCESS) r.detail = f_->errorDetail;
    if (!s_.json) {
      if (r.status == hvcnSUCCESS) {
        cli::AppendShown(r.text, output_);
        r.text += '\n';
      }
      return;
    }
    if (r.status == hvcnSUCCESS) r.Field("output", output_);
    if (held) {
      cli::CollectHeldValues(*f_, values_);
      attributesJson_.Append(r.Raw("attributes"), values_);
    }
  }

 private:
  const void* Table() const { return s_.table ? s_.table->data() : nullptr; }
  uint32_t TableSize() const { return s_.table ? static_cast<uint32_t>(s_.table->size()) : 0; }
  bool Mapping() const { return s_.gateway || s_.table; }

  // Reads the text into the format; a refusal is explained in the result.
  int32_t Read(const char* text, cli::Result& r) {
    const std::string_view input = r.input;
    Form from = s_.from;
    if (from == Form::Auto && Mapping() && LooksLikeRfc822(input)) from = Form::Rfc822;
    int32_t status;
    switch (from) {
      case Form::Rfc822: return hvcnRFC822ToORAddress(text, f_.get(), s_.gateway, Table(), TableSize());
      case Form::Typed: {
        uint32_t context = 0;
        status = hvcnParseName(text, f_.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE);
        if (status != hvcnSUCCESS) r.explanation = cli::ExplainName(*f_, status, hvcnPARSE_COMPLETE, input, &r.column);
        return status;
      }
      case Form::AnnexF: return ReadORAddress(text, hvcnOR_FROM_ANNEXF, r);
      case Form::StdOr: return ReadORAddress(text, hvcnOR_FROM_STDOR, r);
      case Form::Auto: break;
    }
    if (!Mapping() && LooksLikeRfc822(input)) {
      // A gateway that is no domain gives 3; the text is then read as an
      // O/R address, whose error says more.
      const std::string gateway(GatewayDomainOf(input));
      if (!gateway.empty()) {
        status = hvcnRFC822ToORAddress(text, f_.get(), gateway.c_str(), nullptr, 0);
        if (status != hvcnERR_BAD_PARAMETER) return status;
      }
    }
    status = ReadORAddress(text, hvcnOR_FROM_AUTO, r);
    if (status != hvcnSUCCESS && LooksLikeRfc822(input))
      r.explanation = "This looks like an RFC 822 address; read it with --gateway DOMAIN or --table FILE.";
    return status;
  }

  // An O/R address in a standard form: the detail names the component at
  // fault, the library's explanation adds its column.
  int32_t ReadORAddress(const char* text, uint32_t flags, cli::Result& r) {
    const int32_t status = hvcnParseORAddress(text, f_.get(), flags);
    if (status != hvcnSUCCESS) cli::Explanation(*f_, status, hvcnEXPLAIN_OR_ADDRESS, flags, text, &r.column);
    return status;
  }

  // Writes the held name in the form asked for into output_.
  int32_t Write() {
    const int32_t status = cli::CallSized(buffer_, [&](char* text, uint32_t room, uint32_t* needed) {
      switch (s_.to) {
        case Form::Rfc822:
          return hvcnORAddressToRFC822(f_.get(), s_.gateway, Table(), TableSize(), text, room, needed,
                                       s_.labels & hvcnOR_SHORT_LABELS);
        case Form::Typed: return hvcnFormatNameEx(f_.get(), text, room, needed, hvcnFN_REFORMAT);
        case Form::AnnexF: return hvcnFormatORAddress(f_.get(), text, room, needed, hvcnOR_ANNEXF | s_.labels);
        default: return hvcnFormatORAddress(f_.get(), text, room, needed, s_.labels);
      }
    });
    output_ = status == hvcnSUCCESS ? std::string_view(buffer_.c_str()) : std::string_view();
    return status;
  }

  const Settings s_;
  std::unique_ptr<hvcnFormat> f_;
  std::string buffer_;
  std::string_view output_;  // in buffer_
  std::vector<cli::HeldValue> values_;
  cli::AttributesJson attributesJson_;
};

int Run(const cli::Invocation& args) {
  Settings s;
  if (!FormOption(args.Value("--from"), true, &s.from)) {
    cli::Error("--from takes auto, annexf, stdor, rfc822 or typed, not '%s'", args.Value("--from"));
    return cli::kUsage;
  }
  if (!FormOption(args.Value("--to"), false, &s.to)) {
    cli::Error("--to takes stdor, annexf, typed or rfc822, not '%s'", args.Value("--to"));
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
  if (s.gateway && !TakesGateway(s.gateway)) {
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
    "or both. Without TEXT, addresses are read from standard input, one a line;\n"
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
    "  $ hvcn orname --table acme.table --to rfc822 --json < addresses.txt > addresses.jsonl\n",
    kOptions,
    Run,
};
