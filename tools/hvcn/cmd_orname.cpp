// hvcn orname: O/R addresses in the standard text forms (F.401 Annex F /
// RFC 1685, RFC 2156), their RFC 822 mapping, and the library's typed form.
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
    {"--table", "FILE", "an RFC 2156 domain mapping table"},
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
  for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, got);
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (readError) {
    cli::Error("cannot read the table file '%s'", path);
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

class OrNameHandler : public cli::LineHandler {
 public:
  explicit OrNameHandler(const Settings& s)
      : s_(s), f_(std::make_unique<hvcnFormat>()), explainer_(s.format, hvcnPARSE_COMPLETE) {}

  bool Ready() { return cli::ReadyFormat(s_.format, f_.get()); }

  bool Handle(const char* text, size_t length, size_t line, cli::Buffer& out, std::string& err) override {
    const std::string_view input(text, length);
    std::string why;
    int32_t status = Read(text, input, &why);
    output_.clear();
    if (status == hvcnSUCCESS) status = Write();
    const bool held = (f_->flags & hvcnFMT_NAME_HELD) != 0;
    const std::string_view detail = status == hvcnSUCCESS ? std::string_view() : std::string_view(f_->errorDetail);
    if (s_.json) {
      out += '{';
      cli::AppendJsonField(out, "input", input, true);
      out += ",\"status\":";
      cli::AppendNumber(out, status);
      cli::AppendJsonField(out, "error", status == hvcnSUCCESS ? std::string() : cli::StatusText(status));
      cli::AppendJsonField(out, "detail", detail);
      if (!why.empty()) cli::AppendJsonField(out, "explanation", why);
      cli::AppendJsonField(out, "output", output_);
      out += ",\"attributes\":";
      if (held) cli::CollectHeldValues(*f_, values_);
      else values_.clear();
      attributesJson_.Append(out, values_);
      out += "}\n";
    } else if (status == hvcnSUCCESS) {
      cli::AppendShown(out, output_);
      out += '\n';
    } else {
      const std::string statusText = cli::StatusText(status);
      out += cli::Format("error %d: %s%s", status, statusText.c_str(), detail.empty() ? "" : " ");
      out += detail;
      out += '\n';
      cli::AppendMessage(err, "%s%s: %d: %s%s%.*s%s%s", cli::Where(line).c_str(), cli::ShowControls(input).c_str(),
                         status, statusText.c_str(), detail.empty() ? "" : " ", static_cast<int>(detail.size()),
                         detail.data(), why.empty() ? "" : " ", why.c_str());
    }
    return status == hvcnSUCCESS;
  }

 private:
  const void* Table() const { return s_.table ? s_.table->data() : nullptr; }
  uint32_t TableSize() const { return s_.table ? static_cast<uint32_t>(s_.table->size()) : 0; }
  bool Mapping() const { return s_.gateway || s_.table; }

  // Reads the text into the format; *why says more about a refusal.
  int32_t Read(const char* text, std::string_view input, std::string* why) {
    Form from = s_.from;
    if (from == Form::Auto && Mapping() && LooksLikeRfc822(input)) from = Form::Rfc822;
    int32_t status;
    switch (from) {
      case Form::Rfc822: return hvcnRFC822ToORAddress(text, f_.get(), s_.gateway, Table(), TableSize());
      case Form::Typed: {
        uint32_t context = 0;
        status = hvcnParseName(text, f_.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE);
        if (status != hvcnSUCCESS) *why = explainer_.Explain(*f_, input, status);
        return status;
      }
      case Form::AnnexF: return hvcnParseORAddress(text, f_.get(), hvcnOR_FROM_ANNEXF);
      case Form::StdOr: return hvcnParseORAddress(text, f_.get(), hvcnOR_FROM_STDOR);
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
    status = hvcnParseORAddress(text, f_.get(), hvcnOR_FROM_AUTO);
    if (status != hvcnSUCCESS && LooksLikeRfc822(input))
      *why = "This looks like an RFC 822 address; read it with --gateway DOMAIN or --table FILE.";
    return status;
  }

  // Writes the held name in the form asked for into output_.
  int32_t Write() {
    int32_t status = hvcnERR_BUFFER_TOO_SMALL;
    for (size_t size = 4096; status == hvcnERR_BUFFER_TOO_SMALL && size <= 256 * 1024; size *= 4) {
      output_.assign(size, '\0');
      char* text = output_.data();
      const uint32_t room = static_cast<uint32_t>(size);
      switch (s_.to) {
        case Form::Rfc822:
          status = hvcnORAddressToRFC822(f_.get(), s_.gateway, Table(), TableSize(), text, room, nullptr,
                                         s_.labels & hvcnOR_SHORT_LABELS);
          break;
        case Form::Typed: status = hvcnFormatName(f_.get(), text, room, hvcnFN_REFORMAT); break;
        case Form::AnnexF: status = hvcnFormatORAddress(f_.get(), text, room, nullptr, hvcnOR_ANNEXF | s_.labels); break;
        default: status = hvcnFormatORAddress(f_.get(), text, room, nullptr, s_.labels); break;
      }
    }
    output_.resize(status == hvcnSUCCESS ? std::strlen(output_.c_str()) : 0);
    return status;
  }

  const Settings s_;
  std::unique_ptr<hvcnFormat> f_;
  cli::Explainer explainer_;
  std::string output_;
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
  return cli::RunInputs(args, [s]() -> std::unique_ptr<cli::LineHandler> {
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
