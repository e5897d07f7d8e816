// hvcn orname: O/R addresses in the standard text forms (F.401 Annex F /
// RFC 1685, RFC 2156), their RFC 822 mapping, and the library's typed form.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "attributes.h"
#include "cli.h"
#include "commands.h"
#include "hvcn.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--from", "FORM", "auto (the default), annexf, stdor, rfc822 or typed"},
    {"--to", "FORM", "stdor (the default), annexf, typed or rfc822"},
    {"--gateway", "DOMAIN", "the gateway domain of the RFC 822 mapping"},
    {"--table", "FILE", "an RFC 2156 domain mapping table"},
    {"--labels", "KIND", "short (A=, P=, Q=) or long (ADMD=, PRMD=, GQ=) labels"},
    {"--format", "F", "format string of typed names (default: the configured one)"},
    {"--json", nullptr, "print one JSON object per address"},
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
  // "phrase <addr-spec>": the part between the brackets.
  if (!text.empty() && text.back() == '>' && text.rfind('<') != std::string_view::npos)
    text = text.substr(text.rfind('<') + 1, text.size() - text.rfind('<') - 2);
  const size_t at = text.rfind('@');
  if (at == std::string_view::npos || at == 0) return false;
  if (text.substr(at + 1).find_first_of("/=;") != std::string_view::npos) return false;
  const std::string_view local = text.substr(0, at);
  return local.front() == '"' || local.front() == '/' || local.find('=') == std::string_view::npos;
}

struct Settings {
  Form from = Form::Auto, to = Form::StdOr;
  const char* gateway = nullptr;
  std::vector<uint8_t> table;  // empty: none
  uint32_t labels = 0;
  bool json = false;
};

const void* Table(const Settings& s) { return s.table.empty() ? nullptr : s.table.data(); }

// Reads a mapping table file into the library's table form.
bool LoadTable(const char* path, std::vector<uint8_t>* table) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    cli::Error("orname: cannot read the table file '%s'", path);
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  const std::string content = text.str();
  uint32_t needed = 0, line = 0;
  int32_t status = hvcnParseORTable(content.c_str(), nullptr, 0, &needed, &line);
  if (status == hvcnERR_BUFFER_TOO_SMALL) {
    table->assign(needed, 0);
    status = hvcnParseORTable(content.c_str(), table->data(), needed, &needed, &line);
  }
  if (status == hvcnSUCCESS) return true;
  cli::Error("orname: %s, line %u: %d: %s", path, line, status, cli::StatusText(status).c_str());
  return false;
}

int32_t Read(const Settings& s, hvcnFormat* f, const std::string& text) {
  Form from = s.from;
  if (from == Form::Auto && LooksLikeRfc822(text)) from = Form::Rfc822;
  switch (from) {
    case Form::Rfc822: return hvcnRFC822ToORAddress(text.c_str(), f, s.gateway, Table(s), static_cast<uint32_t>(s.table.size()));
    case Form::Typed: {
      uint32_t context = 0;
      return hvcnParseName(text.c_str(), f, 0, nullptr, 0, &context, hvcnPARSE_COMPLETE);
    }
    case Form::AnnexF: return hvcnParseORAddress(text.c_str(), f, hvcnOR_FROM_ANNEXF);
    case Form::StdOr: return hvcnParseORAddress(text.c_str(), f, hvcnOR_FROM_STDOR);
    case Form::Auto: break;
  }
  return hvcnParseORAddress(text.c_str(), f, hvcnOR_FROM_AUTO);
}

int32_t Write(const Settings& s, hvcnFormat* f, std::string* output) {
  char text[8192] = "";
  int32_t status;
  switch (s.to) {
    case Form::Rfc822:
      status = hvcnORAddressToRFC822(f, s.gateway, Table(s), static_cast<uint32_t>(s.table.size()), text, sizeof text,
                                     s.labels & hvcnOR_SHORT_LABELS);
      break;
    case Form::Typed: status = hvcnFormatName(f, text, sizeof text, hvcnFN_REFORMAT); break;
    case Form::AnnexF: status = hvcnFormatORAddress(f, text, sizeof text, hvcnOR_ANNEXF | s.labels); break;
    default: status = hvcnFormatORAddress(f, text, sizeof text, s.labels); break;
  }
  *output = text;
  return status;
}

int Run(const cli::Invocation& args) {
  Settings s;
  if (!FormOption(args.Value("--from"), true, &s.from) || !FormOption(args.Value("--to"), false, &s.to)) {
    cli::Error("orname: --from takes auto, annexf, stdor, rfc822 or typed; --to stdor, annexf, typed or rfc822");
    return cli::kUsage;
  }
  if (const char* labels = args.Value("--labels")) {
    if (std::strcmp(labels, "short") == 0) s.labels = hvcnOR_SHORT_LABELS;
    else if (std::strcmp(labels, "long") == 0) s.labels = hvcnOR_LONG_LABELS;
    else {
      cli::Error("orname: --labels takes short or long");
      return cli::kUsage;
    }
  }
  s.gateway = args.Value("--gateway");
  s.json = args.Has("--json");
  if (const char* path = args.Value("--table"); path && !LoadTable(path, &s.table)) return cli::kFailed;
  const bool mapping = s.gateway || !s.table.empty();
  if ((s.from == Form::Rfc822 || s.to == Form::Rfc822) && !mapping) {
    cli::Error("orname: the RFC 822 form needs --gateway DOMAIN or --table FILE");
    return cli::kUsage;
  }

  auto format = std::make_unique<hvcnFormat>();
  int32_t status = hvcnParseFormatString(args.Value("--format"), format.get());
  if (status != hvcnSUCCESS) {
    cli::Error("format: %d: %s %s", status, cli::StatusText(status).c_str(), format->errorDetail);
    return cli::kFailed;
  }
  int exitStatus = cli::kOk;
  cli::Inputs inputs(args.Positional());
  std::string text;
  while (inputs.Next(&text)) {
    std::string output;
    status = Read(s, format.get(), text);
    if (status == hvcnSUCCESS) status = Write(s, format.get(), &output);
    if (status != hvcnSUCCESS) exitStatus = cli::kFailed;
    const std::string detail = status != hvcnSUCCESS ? format->errorDetail : "";
    if (s.json) {
      std::string out = "{\"input\":";
      cli::AppendJson(out, text);
      out += ",\"status\":" + std::to_string(status) + ",\"error\":";
      cli::AppendJson(out, status != hvcnSUCCESS ? cli::StatusText(status) : "");
      out += ",\"detail\":";
      cli::AppendJson(out, detail);
      out += ",\"output\":";
      cli::AppendJson(out, output);
      out += ",\"attributes\":";
      out += (format->flags & hvcnFMT_NAME_HELD) ? cli::AttributesJson(format.get()) : "[]";
      std::printf("%s}\n", out.c_str());
    } else if (status == hvcnSUCCESS) {
      std::printf("%s\n", output.c_str());
    } else {
      std::printf("error %d: %s%s%s\n", status, cli::StatusText(status).c_str(), detail.empty() ? "" : " ",
                  detail.c_str());
    }
  }
  return exitStatus;
}

}  // namespace

const cli::Command kOrNameCommand = {
    "orname",
    "Read and write O/R addresses in their standard forms (RFC 1685, RFC 2156) and as RFC 822 addresses.",
    "hvcn orname [--from auto|annexf|stdor|rfc822|typed] [--to stdor|annexf|typed|rfc822]\n"
    "                   [--gateway DOMAIN] [--table FILE] [--labels short|long] [--format F] [--json] [TEXT...]",
    "Reads each address in the form --from says (auto: an RFC 822 address when it\n"
    "looks like one, the \"/\" form when it starts with '/', else the \";\" form) and\n"
    "writes it in the form --to says. The RFC 822 forms need a gateway domain, a\n"
    "mapping table, or both. Without TEXT, addresses are read from standard input,\n"
    "one a line; each gives one line (or one JSON object) in the input's order.\n\n"
    "examples:\n"
    "  $ hvcn orname 'G=john; S=smith; O=a bank ltd; P=abl; A=snomail; C=aq'\n"
    "  /G=john/S=smith/O=a bank ltd/PRMD=abl/ADMD=snomail/C=aq/\n"
    "  $ hvcn orname --to annexf '/c=US/a=TELENET/p=ABC/o=P$/Q/g=JOHN/s=STEEL'\n"
    "  G=JOHN;S=STEEL;O=P/Q;P=ABC;A=TELENET;C=US\n"
    "  $ hvcn orname --gateway x400.example.com --to typed \\\n"
    "        '\"/G=John/S=Smith/O=Acme/PRMD=Acme/ADMD=ATTMAIL/C=US/\"@x400.example.com'\n"
    "  Smith, John /o=Acme/c=US/a=ATTMAIL/p=Acme\n"
    "  $ hvcn orname --from typed --to rfc822 --gateway x400.example.com 'Smith, John /o=Acme/c=US'\n",
    kOptions,
    Run,
};
