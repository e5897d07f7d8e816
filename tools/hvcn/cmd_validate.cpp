// hvcn validate: checks values against an attribute or a value class.
#include <cstdlib>
#include <string>

#include "attributes.h"
#include "cli.h"
#include "commands.h"
#include "hvcn.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--max", "N", "maximum length (0: the attribute's own limit)"},
    {"--json", nullptr, "print one JSON object per value"},
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
    cli::Error("validate: give an attribute (or class) and one or more values (see 'hvcn validate --help')");
    return cli::kUsage;
  }
  const std::string attribute = positional[0];
  const ClassCheck check = ClassOf(attribute);
  const int32_t id = check == ClassCheck::None ? cli::AttributeIdFromText(attribute) : 0;
  if (check == ClassCheck::None && id == 0) {
    cli::Error("validate: unknown attribute '%s'", attribute.c_str());
    return cli::kUsage;
  }
  const int32_t maximum = args.Value("--max") ? std::atoi(args.Value("--max")) : 0;
  int exitStatus = cli::kOk;
  for (size_t i = 1; i < positional.size(); ++i) {
    const std::string value = cli::Unescape(positional[i]);
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
    if (args.Has("--json")) {
      std::string out = "{\"value\":";
      cli::AppendJson(out, value);
      out += ",\"attribute\":";
      cli::AppendJson(out, check == ClassCheck::None ? cli::DescribeAttribute(id) : attribute);
      out += ",\"ok\":" + std::string(ok ? "true" : "false") + ",\"status\":" + std::to_string(status);
      if (check != ClassCheck::None && ok) {
        out += ",\"length\":" + std::to_string(-result);
        out += std::string(",\"") + (check == ClassCheck::String ? "nonAscii" : "needsTeletex") + "\":";
        out += flag ? "true" : "false";
      }
      out += ",\"text\":";
      cli::AppendJson(out, cli::StatusText(status));
      out += "}";
      std::printf("%s\n", out.c_str());
    } else if (ok) {
      std::printf("ok        %s%s\n", cli::ShowControls(value).c_str(), note.empty() ? "" : ("  (" + note + ")").c_str());
    } else {
      std::printf("rejected  %s  (%d: %s)\n", cli::ShowControls(value).c_str(), status, cli::StatusText(status).c_str());
    }
  }
  return exitStatus;
}

}  // namespace

const cli::Command kValidateCommand = {
    "validate",
    "Check values against an attribute's X.400 character set and length.",
    "hvcn validate [--max N] [--json] ATTRIBUTE VALUE...",
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
