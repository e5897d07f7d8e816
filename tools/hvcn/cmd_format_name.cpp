// hvcn format: writes internal names as text under a format.
#include <cstdlib>
#include <memory>
#include <string>

#include "batch.h"
#include "cli.h"
#include "explain.h"
#include "commands.h"
#include "hvcn.h"
#include "text.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--from", "N", "type of the internal names: 1 (GS), 2 (GSETB), 3 (GSRS)", "1 2 3", true},
    {"--format", "F", "format string of the format used (default: the configured one)"},
    {"--output-format", "F", "write the name under this format instead"},
    {"--escape", nullptr, "escape separator characters inside values"},
    {"--json", nullptr, "print one JSON object per name"},
    cli::kJobsOption,
    cli::kEncodingOption,
};

struct Settings {
  int32_t type;
  const char* format;
  const char* outputFormat;
  uint16_t flags;
  bool json;
};

constexpr cli::Shape kShape{"input"};

class FormatHandler : public cli::Handler {
 public:
  explicit FormatHandler(const Settings& s) : s_(s), f_(std::make_unique<hvcnFormat>()) {}

  bool Ready() { return cli::ReadyFormat(s_.format, f_.get()); }

  void Handle(const char* line, size_t length, cli::Results& results) override {
    text_ = cli::Unescape(std::string_view(line, length));
    cli::Result& r = results.Add();
    r.input = text_;
    r.status = hvcnTranslateInternalFormat(f_.get(), s_.type, text_.c_str(), 0, nullptr, 0, 0);
    if (r.status != hvcnSUCCESS) {
      r.detail = f_->errorDetail;
      r.explanation = cli::Explanation(*f_, r.status, hvcnEXPLAIN_INTERNAL, static_cast<uint32_t>(s_.type),
                                       text_.c_str(), &r.column);
      return;
    }
    if (s_.outputFormat) r.status = hvcnChangeOutputFormat(s_.outputFormat, f_.get());
    if (r.status == hvcnSUCCESS)
      r.status = cli::CallSized(output_, [&](char* buffer, uint32_t size, uint32_t* needed) {
        return hvcnFormatNameEx(f_.get(), buffer, size, needed, s_.flags);
      });
    if (r.status != hvcnSUCCESS) {
      r.detail = f_->errorDetail;
    } else if (s_.json) {
      r.Field("text", output_.c_str());
    } else {
      cli::AppendShown(r.text, output_.c_str());
      r.text += '\n';
    }
  }

 private:
  const Settings s_;
  std::unique_ptr<hvcnFormat> f_;
  std::string text_;
  std::string output_;
};

int Run(const cli::Invocation& args) {
  const char* from = args.Value("--from");
  Settings s{from ? std::atoi(from) : 0, args.Value("--format"), args.Value("--output-format"),
             static_cast<uint16_t>(args.Has("--escape") ? hvcnFN_ESCAPE : 0), args.Has("--json")};
  if (s.type < 1 || s.type > 3) {
    cli::Error("give --from 1|2|3 (see 'hvcn format --help')");
    return cli::kUsage;
  }
  const cli::ResultWriter writer(kShape, s.json);
  return cli::RunInputs(args, writer, [s]() -> std::unique_ptr<cli::Handler> {
    auto handler = std::make_unique<FormatHandler>(s);
    if (!handler->Ready()) return nullptr;
    return handler;
  });
}

}  // namespace

const cli::Command kFormatCommand = {
    "format",
    "Write internal names as text under a format string.",
    "[TEXT...]",
    "Without TEXT, internal names are read from standard input, one a line; control\n"
    "characters are written \\xHH or <GS>, <RS>, <ETB>, <SUB>, <US>. A name that\n"
    "cannot be written prints 'error N: text', and the input with its status goes\n"
    "to standard error.\n\n"
    "examples:\n"
    "  $ hvcn format --from 3 '1\\x1dSmith\\x1e2\\x1dJohn\\x1e3\\x1dJK\\x1e9\\x1dOrg\\x1e10\\x1dUS'\n"
    "  Smith, John J.K. /o=Org/c=US\n"
    "  $ hvcn format --from 1 --output-format '%(NONCANON)' 'Smith<GS>John'\n"
    "  John Smith\n",
    kOptions,
    Run,
};
