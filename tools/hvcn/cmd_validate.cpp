// hvcn validate: checks values against an attribute or a value class.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "attributes.h"
#include "batch.h"
#include "cli.h"
#include "commands.h"
#include "hvcn.h"
#include "result.h"
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

// A rejected value is a failure without a message: its line says why.
constexpr cli::Shape kShape{"value", true, false, false};

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
    std::vector<std::string> known = cli::AttributeWords();
    for (const char* word : {"numeric", "printable", "string", "teletex"}) known.push_back(word);
    cli::Error("unknown attribute '%s'%s", attribute.c_str(), cli::DidYouMean(attribute, known).c_str());
    return cli::kUsage;
  }
  const int32_t maximum = args.Value("--max") ? std::atoi(args.Value("--max")) : 0;
  const bool json = args.Has("--json");
  cli::InputText checker(encoding);
  std::vector<std::string> values;
  std::string err;
  for (size_t i = 1; i < positional.size(); ++i) {
    std::string input = positional[i];
    size_t length = input.size();
    values.push_back(cli::Unescape(checker.Prepare(input.data(), &length, i + 1, true, err)));
  }
  if (!err.empty()) std::fputs(err.c_str(), stderr);
  cli::Results results;
  for (const std::string& value : values) {
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
    cli::Result& r = results.Add();
    r.input = value;
    r.status = ok ? hvcnSUCCESS : result;
    if (json) {
      r.Field("attribute", check == ClassCheck::None ? cli::DescribeAttribute(id) : attribute);
      r.Bool("ok", ok);
      if (check != ClassCheck::None && ok) {
        r.Number("length", -result);
        r.Bool(check == ClassCheck::String ? "nonAscii" : "needsTeletex", flag != 0);
      }
    } else if (ok) {
      std::string note;
      if (check != ClassCheck::None) {
        note = std::to_string(-result) + " bytes";
        if (flag) note += check == ClassCheck::String ? ", non-ASCII" : ", needs teletex";
      }
      r.text += "ok        " + cli::ShowControls(value) + (note.empty() ? "" : "  (" + note + ")") + "\n";
    } else {
      r.text += cli::Format("rejected  %s  (%d: %s)\n", cli::ShowControls(value).c_str(), r.status,
                            cli::StatusText(r.status).c_str());
    }
  }
  return cli::WriteResults(cli::ResultWriter(kShape, json), results);
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
    cli::Arguments::Attributes,
};
