// hvcn translate, hvcn attr: the internal name types.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "attributes.h"
#include "batch.h"
#include "cli.h"
#include "explain.h"
#include "commands.h"
#include "hvcn.h"
#include "text.h"

namespace {

// Reads an internal type option (0-3); -1 when missing or bad.
int32_t TypeOption(const cli::Invocation& args, const char* name) {
  const char* value = args.Value(name);
  if (!value || !value[0] || value[1] || value[0] < '0' || value[0] > '3') return -1;
  return value[0] - '0';
}

constexpr cli::Option kTranslateOptions[] = {
    {"--from", "N", "type of the input: 1 (GS), 2 (GSETB), 3 (GSRS)", "1 2 3", true},
    {"--to", "M", "type to write: 1, 2 or 3 (0 only decodes)", "0 1 2 3", true},
    {"--always", nullptr, "encode even when the types are equal (never hand the text back)"},
    {"--skip-empty", nullptr, "type 3 output leaves out empty values"},
    {"--format", "F", "format string of the format used (default: the configured one)"},
    {"--json", nullptr, "print one JSON object per name"},
    cli::kJobsOption,
    cli::kEncodingOption,
};

struct TranslateSettings {
  int32_t from;
  int32_t to;
  uint32_t flags;
  const char* format;
  bool json;
};

constexpr cli::Shape kShape{"input"};

class TranslateHandler : public cli::Handler {
 public:
  explicit TranslateHandler(const TranslateSettings& s) : s_(s), f_(std::make_unique<hvcnFormat>()) {}
  bool Ready() { return cli::ReadyFormat(s_.format, f_.get()); }

  void Handle(const char* line, size_t length, cli::Results& results) override {
    text_ = cli::Unescape(std::string_view(line, length));
    cli::Result& r = results.Add();
    r.input = text_;
    r.status = hvcnTranslateInternalFormatEx(f_.get(), s_.from, text_.c_str(), 0, nullptr, 0, nullptr, s_.flags);
    if (r.status == hvcnSUCCESS && s_.to != 0)
      r.status = cli::CallSized(output_, [&](char* buffer, uint32_t size, uint32_t* needed) {
        return hvcnTranslateInternalFormatEx(f_.get(), 0, nullptr, s_.to, buffer, size, needed, s_.flags);
      });
    if (r.status != hvcnSUCCESS) {
      r.detail = f_->errorDetail;
      r.explanation = cli::Explanation(*f_, r.status, hvcnEXPLAIN_INTERNAL, static_cast<uint32_t>(s_.from),
                                       text_.c_str(), &r.column);
      return;
    }
    const char* output = s_.to != 0 ? output_.c_str() : "";
    if (s_.json) {
      r.Field("output", output);
    } else {
      cli::AppendShown(r.text, output);
      r.text += '\n';
    }
  }

 private:
  const TranslateSettings s_;
  std::unique_ptr<hvcnFormat> f_;
  std::string text_;
  std::string output_;
};

int RunTranslate(const cli::Invocation& args) {
  TranslateSettings s{TypeOption(args, "--from"), TypeOption(args, "--to"), 0, args.Value("--format"),
                      args.Has("--json")};
  if (s.from < 1 || s.to < 0) {
    cli::Error("give --from 1|2|3 and --to 0|1|2|3 (see 'hvcn translate --help')");
    return cli::kUsage;
  }
  if (args.Has("--always")) s.flags |= hvcnTIF_ALWAYS_ENCODE;
  if (args.Has("--skip-empty")) s.flags |= hvcnTIF_SKIP_EMPTY;
  const cli::ResultWriter writer(kShape, s.json);
  return cli::RunInputs(args, writer, [s]() -> std::unique_ptr<cli::Handler> {
    auto handler = std::make_unique<TranslateHandler>(s);
    if (!handler->Ready()) return nullptr;
    return handler;
  });
}

constexpr cli::Option kAttrOptions[] = {
    {"--from", "N", "type of the internal name: 1, 2 or 3", "1 2 3", true},
    {"--format", "F", "format string of the format used (default: the configured one)"},
    {"--json", nullptr, "print one JSON object with the values"},
    cli::kEncodingOption,
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
    cli::Error("give --from 1|2|3, the internal name and attributes (see 'hvcn attr --help')");
    return cli::kUsage;
  }
  cli::Encoding encoding;
  if (!cli::ReadEncoding(args, &encoding)) return cli::kUsage;
  auto format = std::make_unique<hvcnFormat>();
  if (!cli::ReadyFormat(args.Value("--format"), format.get())) return cli::kFailed;
  std::string err;
  std::string input = args.Positional()[0];
  size_t length = input.size();
  cli::InputText checker(encoding);
  const std::string text = cli::Unescape(checker.Prepare(input.data(), &length, 1, true, err));
  if (!err.empty()) std::fputs(err.c_str(), stderr);
  const bool json = args.Has("--json");
  cli::Results results;
  cli::Result& r = results.Add();
  r.input = text;
  r.status = hvcnTranslateInternalFormat(format.get(), from, text.c_str(), 0, nullptr, 0, 0);
  const cli::ResultWriter writer(kShape, json);
  if (r.status != hvcnSUCCESS) {
    r.detail = format->errorDetail;
    r.explanation = cli::Explanation(*format, r.status, hvcnEXPLAIN_INTERNAL, static_cast<uint32_t>(from),
                                     text.c_str(), &r.column);
    return cli::WriteResults(writer, results);
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
      wanted.emplace_back(record.id > 0 ? record.id : 0,
                          std::string(record.name, strnlen(record.name, sizeof record.name)));
    }
  }
  cli::Buffer& values = r.Raw("values");
  values += '{';
  bool first = true;
  for (const auto& [id, name] : wanted) {
    std::string value;
    const int32_t result = Value(format.get(), id, name, &value);
    const std::string label = cli::AttributeById(id) ? cli::DescribeAttribute(id) : name;
    if (result != hvcnSUCCESS) r.failed = true;
    if (json) {
      if (!first) values += ',';
      cli::AppendJson(values, label);
      values += ':';
      if (result == hvcnSUCCESS) cli::AppendJson(values, value);
      else values += "null";
    } else if (result == hvcnSUCCESS) {
      r.text += cli::Format("%-24s ", cli::ShowControls(label).c_str());
      cli::AppendShown(r.text, value);
      r.text += '\n';
    } else {
      r.text += cli::Format("%-24s (%d: %s)\n", cli::ShowControls(label).c_str(), result,
                            cli::StatusText(result).c_str());
    }
    first = false;
  }
  values += '}';
  return cli::WriteResults(writer, results);
}

}  // namespace

const cli::Command kTranslateCommand = {
    "translate",
    "Convert internal names between the types 1 (GS), 2 (GSETB) and 3 (GSRS).",
    "[TEXT...]",
    "Internal names hold control characters; write them \\xHH (\\x1d for GS, \\x1e RS,\n"
    "\\x17 ETB, \\x1a SUB, \\x1f US) or by name (<GS>, <RS>, <ETB>, <SUB>, <US>).\n"
    "The output shows them as \\xHH. Without TEXT, names are read from standard\n"
    "input, one a line. A name that cannot be converted prints 'error N: text',\n"
    "and the input with its status goes to standard error.\n\n"
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
    "TEXT [ATTRIBUTE...]",
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
    cli::Arguments::Attributes,
};
