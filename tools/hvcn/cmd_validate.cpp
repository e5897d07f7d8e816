// hvcn validate: checks values against an attribute or a value class.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "attributes.h"
#include "batch.h"
#include "cli.h"
#include "commands.h"
#include "hvcn.h"
#include "text.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--max", "N", "maximum length (0: the attribute's own limit)"},
    {"--json", nullptr, "print one JSON object per value"},
    cli::kEncodingOption,
};

// The four value classes, checked with their own exports.
enum class ClassCheck { None, Numeric, Printable, String, Teletex };

ClassCheck ClassOf(const std::string& name) {
  if (name == "numeric") return ClassCheck::Numeric;
  if (name == "printable") return ClassCheck::Printable;
  if (name == "string") return ClassCheck::String;
  if (name == "teletex") return ClassCheck::Teletex;
  return ClassCheck::None;
}

int Run(const cli::Invocation& args) {
  const auto& positional = args.Positional();
  if (positional.size() < 2) {
    cli::Error("give an attribute (or class) and one or more values (see 'hvcn validate --help')");
    return cli::kUsage;
  }
  cli::Encoding encoding;
  if (!cli::ReadEncoding(args, &encoding)) return cli::kUsage;
  const std::string attribute = positional[0];
  const ClassCheck check = ClassOf(attribute);
  const int32_t id = check == ClassCheck::None ? cli::AttributeIdFromText(attribute) : 0;
  if (check == ClassCheck::None && id == 0) {
    cli::Error("unknown attribute '%s'", attribute.c_str());
    return cli::kUsage;
  }
  const int32_t maximum = args.Value("--max") ? std::atoi(args.Value("--max")) : 0;
  const bool json = args.Has("--json");
  cli::InputText checker(encoding);
  int exitStatus = cli::kOk;
  cli::Buffer out;
  std::string err;
  for (size_t i = 1; i < positional.size(); ++i) {
    std::string input = positional[i];
    size_t length = input.size();
    const std::string value = cli::Unescape(checker.Prepare(input.data(), &length, i + 1, true, err));
    int32_t flag = 0;
    int32_t result = 0;
    switch (check) {
      case ClassCheck::Numeric: result = hvcnValidateNString(value.c_str(), maximum); break;
      case ClassCheck::Printable: result = hvcnValidatePString(value.c_str(), maximum); break;
      case ClassCheck::String: result = hvcnValidateString(value.c_str(), maximum, &flag); break;
      case ClassCheck::Teletex: result = hvcnValidateTeletexOrPString(value.c_str(), maximum, &flag); break;
      case ClassCheck::None: result = hvcnValidateAttribute(value.c_str(), maximum, id); break;
    }
    const bool ok = result <= 0;
    const int32_t status = ok ? hvcnSUCCESS : result;
    if (!ok) exitStatus = cli::kFailed;
    std::string note;
    if (ok && check != ClassCheck::None) {
      note = std::to_string(-result) + " bytes";
      if (flag) note += check == ClassCheck::String ? ", non-ASCII" : ", needs teletex";
    }
    if (json) {
      out += '{';
      cli::AppendJsonField(out, "value", value, true);
      cli::AppendJsonField(out, "attribute", check == ClassCheck::None ? cli::DescribeAttribute(id) : attribute);
      out += std::string(",\"ok\":") + (ok ? "true" : "false") + ",\"status\":" + std::to_string(status);
      if (check != ClassCheck::None && ok) {
        out += ",\"length\":" + std::to_string(-result);
        out += std::string(",\"") + (check == ClassCheck::String ? "nonAscii" : "needsTeletex") + "\":";
        out += flag ? "true" : "false";
      }
      cli::AppendJsonField(out, "text", cli::StatusText(status));
      out += "}\n";
    } else if (ok) {
      out += "ok        " + cli::ShowControls(value) + (note.empty() ? "" : "  (" + note + ")") + "\n";
    } else {
      out += cli::Format("rejected  %s  (%d: %s)\n", cli::ShowControls(value).c_str(), status,
                         cli::StatusText(status).c_str());
    }
  }
  if (!err.empty()) std::fputs(err.c_str(), stderr);
  out.Write(stdout);
  return exitStatus;
}

}  // namespace

const cli::Command kValidateCommand = {
    "validate",
    "Check values against an attribute's X.400 character set and length.",
    "ATTRIBUTE VALUE...",
    "ATTRIBUTE is an attribute ID (1-82), a name such as surname, country or ou1, an\n"
    "X.400 tag such as s, c or n-id, or a value class: numeric, printable, string,\n"
    "teletex. Control characters may be written \\xHH. The exit status is 1 when a\n"
    "value is rejected.\n\n"
    "examples:\n"
    "  $ hvcn validate country GB 826 GBR\n"
    "  ok        GB\n  ok        826\n"
    "  rejected  GBR  (22: The country attribute is two letters or three digits.)\n"
    "  $ hvcn validate teletex Müller\n"
    "  ok        Müller  (7 bytes, needs teletex)\n",
    kOptions,
    Run,
};
