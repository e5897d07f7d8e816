// hvcn translate, hvcn attr: the internal name types.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "attributes.h"
#include "cli.h"
#include "commands.h"
#include "hvcn.h"

namespace {

// Reads an internal type option (0-3); -1 when missing or bad.
int32_t TypeOption(const cli::Invocation& args, const char* name) {
  const char* value = args.Value(name);
  if (!value || !value[0] || value[1] || value[0] < '0' || value[0] > '3') return -1;
  return value[0] - '0';
}

bool ReadyFormat(const cli::Invocation& args, hvcnFormat* format) {
  int32_t status = hvcnParseFormatString(args.Value("--format"), format);
  if (status == hvcnSUCCESS) return true;
  cli::Error("%d: %s %s", status, cli::StatusText(status).c_str(), format->errorDetail);
  return false;
}

constexpr cli::Option kTranslateOptions[] = {
    {"--from", "N", "type of the input: 1 (GS), 2 (GSETB), 3 (GSRS)"},
    {"--to", "M", "type to write: 1, 2 or 3 (0 only decodes)"},
    {"--always", nullptr, "encode even when the types are equal (never hand the text back)"},
    {"--skip-empty", nullptr, "type 3 output leaves out empty values"},
    {"--format", "F", "format string of the format used (default: the configured one)"},
    {"--json", nullptr, "print one JSON object per name"},
};

int RunTranslate(const cli::Invocation& args) {
  const int32_t from = TypeOption(args, "--from");
  const int32_t to = TypeOption(args, "--to");
  if (from < 1 || to < 0) {
    cli::Error("translate: give --from 1|2|3 and --to 0|1|2|3 (see 'hvcn translate --help')");
    return cli::kUsage;
  }
  uint32_t flags = 0;
  if (args.Has("--always")) flags |= hvcnTIF_ALWAYS_ENCODE;
  if (args.Has("--skip-empty")) flags |= hvcnTIF_SKIP_EMPTY;
  auto format = std::make_unique<hvcnFormat>();
  if (!ReadyFormat(args, format.get())) return cli::kFailed;
  int exitStatus = cli::kOk;
  cli::Inputs inputs(args.Positional());
  std::string line;
  while (inputs.Next(&line)) {
    const std::string text = cli::Unescape(line);
    char output[4096] = "";
    int32_t status = hvcnTranslateInternalFormat(format.get(), from, text.c_str(), to, output, sizeof output, flags);
    if (status != hvcnSUCCESS) exitStatus = cli::kFailed;
    if (args.Has("--json")) {
      std::string out = "{\"input\":";
      cli::AppendJson(out, text);
      out += ",\"status\":" + std::to_string(status);
      if (status == hvcnSUCCESS) {
        out += ",\"output\":";
        cli::AppendJson(out, output);
      } else {
        out += ",\"error\":";
        cli::AppendJson(out, cli::StatusText(status));
      }
      std::printf("%s}\n", out.c_str());
    } else if (status == hvcnSUCCESS) {
      std::printf("%s\n", cli::ShowControls(output).c_str());
    } else {
      std::printf("error %d: %s\n", status, cli::StatusText(status).c_str());
    }
  }
  return exitStatus;
}

constexpr cli::Option kAttrOptions[] = {
    {"--from", "N", "type of the internal name: 1, 2 or 3"},
    {"--format", "F", "format string of the format used (default: the configured one)"},
    {"--json", nullptr, "print one JSON object with the values"},
};

// The held value of an attribute ID (or, with ID 0, of a user attribute name).
int32_t Value(hvcnFormat* format, int32_t id, const std::string& name, std::string* value) {
  char buffer[1100] = "";
  if (id == 0) std::snprintf(buffer, sizeof buffer, "%s", name.c_str());
  int32_t status = hvcnGetAttributeValue(format, id, buffer, sizeof buffer);
  if (status == hvcnSUCCESS) *value = buffer;
  return status;
}

int RunAttr(const cli::Invocation& args) {
  const int32_t from = TypeOption(args, "--from");
  if (from < 1 || args.Positional().empty()) {
    cli::Error("attr: give --from 1|2|3, the internal name and attributes (see 'hvcn attr --help')");
    return cli::kUsage;
  }
  auto format = std::make_unique<hvcnFormat>();
  if (!ReadyFormat(args, format.get())) return cli::kFailed;
  const std::string text = cli::Unescape(args.Positional()[0]);
  int32_t status = hvcnTranslateInternalFormat(format.get(), from, text.c_str(), 0, nullptr, 0, 0);
  if (status != hvcnSUCCESS) {
    cli::Error("%d: %s", status, cli::StatusText(status).c_str());
    return cli::kFailed;
  }
  // The attributes asked for, or every attribute that holds a value.
  std::vector<std::pair<int32_t, std::string>> wanted;
  for (size_t i = 1; i < args.Positional().size(); ++i) {
    std::string name = args.Positional()[i];
    wanted.emplace_back(cli::AttributeIdFromText(name), name);
  }
  if (wanted.empty()) {
    for (const auto& record : format->attributes) {
      if (record.id == 0 || record.valueLength == hvcnVALUE_ABSENT) continue;
      wanted.emplace_back(record.id > 0 ? record.id : 0, record.name);
    }
  }
  int exitStatus = cli::kOk;
  std::string json = "{";
  for (const auto& [id, name] : wanted) {
    std::string value;
    int32_t result = Value(format.get(), id, name, &value);
    std::string label = id > 0 && id <= 82 ? cli::DescribeAttribute(id) : name;
    if (result != hvcnSUCCESS) exitStatus = cli::kFailed;
    if (args.Has("--json")) {
      if (json.size() > 1) json += ",";
      cli::AppendJson(json, label);
      json += ":";
      if (result == hvcnSUCCESS) cli::AppendJson(json, value);
      else json += "null";
    } else if (result == hvcnSUCCESS) {
      std::printf("%-24s %s\n", label.c_str(), cli::ShowControls(value).c_str());
    } else {
      std::printf("%-24s (%d: %s)\n", label.c_str(), result, cli::StatusText(result).c_str());
    }
  }
  if (args.Has("--json")) std::printf("%s}\n", json.c_str());
  return exitStatus;
}

}  // namespace

const cli::Command kTranslateCommand = {
    "translate",
    "Convert internal names between the types 1 (GS), 2 (GSETB) and 3 (GSRS).",
    "hvcn translate --from N --to M [--always] [--skip-empty] [--format F] [--json] [TEXT...]",
    "Internal names hold control characters; write them \\xHH (\\x1d for GS, \\x1e RS,\n"
    "\\x17 ETB, \\x1a SUB, \\x1f US) or by name (<GS>, <RS>, <ETB>, <SUB>, <US>).\n"
    "The output shows them as \\xHH. Without TEXT, names are read from standard\n"
    "input, one a line.\n\n"
    "examples:\n"
    "  $ hvcn translate --from 1 --to 3 'Smith<GS>John'\n"
    "  1\\x1dSmith\\x1e2\\x1dJohn\n"
    "  $ hvcn translate --from 3 --to 2 '1\\x1dSmith\\x1e10\\x1dUS'\n"
    "  Smith\\x1d\\x1d\\x1d\\x1d\\x1d\\x1d\\x1d\\x1d\\x1dUS\n",
    kTranslateOptions,
    RunTranslate,
};

const cli::Command kAttrCommand = {
    "attr",
    "Show attribute values of an internal name.",
    "hvcn attr --from N [--format F] [--json] TEXT [ATTRIBUTE...]",
    "ATTRIBUTE is an ID, a name such as surname or country, an X.400 tag, or a user\n"
    "attribute's name. Without attributes every value the name holds is shown.\n\n"
    "examples:\n"
    "  $ hvcn attr --from 3 '1\\x1dSmith\\x1e10\\x1dUS\\x1eDept\\x1dSales'\n"
    "  surname (1)              Smith\n"
    "  country (10)             US\n"
    "  Dept                     Sales\n"
    "  $ hvcn attr --from 1 'Smith<GS>John' given-name\n",
    kAttrOptions,
    RunAttr,
};
