// hvcn format: writes internal names as text under a format.
#include <cstdlib>
#include <memory>
#include <string>

#include "cli.h"
#include "commands.h"
#include "hvcn.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--from", "N", "type of the internal names: 1 (GS), 2 (GSETB), 3 (GSRS)"},
    {"--format", "F", "format string of the format used (default: the configured one)"},
    {"--output-format", "F", "write the name under this format instead"},
    {"--escape", nullptr, "escape separator characters inside values"},
    {"--json", nullptr, "print one JSON object per name"},
};

int Run(const cli::Invocation& args) {
  const char* from = args.Value("--from");
  const int32_t type = from ? std::atoi(from) : 0;
  if (type < 1 || type > 3) {
    cli::Error("format: give --from 1|2|3 (see 'hvcn format --help')");
    return cli::kUsage;
  }
  auto format = std::make_unique<hvcnFormat>();
  int32_t status = hvcnParseFormatString(args.Value("--format"), format.get());
  if (status != hvcnSUCCESS) {
    cli::Error("format string: %d: %s %s", status, cli::StatusText(status).c_str(), format->errorDetail);
    return cli::kFailed;
  }
  const uint16_t flags = args.Has("--escape") ? hvcnFN_ESCAPE : 0;
  int exitStatus = cli::kOk;
  cli::Inputs inputs(args.Positional());
  std::string line;
  while (inputs.Next(&line)) {
    const std::string text = cli::Unescape(line);
    char output[2048] = "";
    status = hvcnTranslateInternalFormat(format.get(), type, text.c_str(), 0, nullptr, 0, 0);
    if (status == hvcnSUCCESS && args.Value("--output-format"))
      status = hvcnChangeOutputFormat(args.Value("--output-format"), format.get());
    if (status == hvcnSUCCESS) status = hvcnFormatName(format.get(), output, sizeof output, flags);
    if (status != hvcnSUCCESS) exitStatus = cli::kFailed;
    if (args.Has("--json")) {
      std::string out = "{\"input\":";
      cli::AppendJson(out, text);
      out += ",\"status\":" + std::to_string(status);
      out += status == hvcnSUCCESS ? ",\"text\":" : ",\"error\":";
      cli::AppendJson(out, status == hvcnSUCCESS ? std::string(output) : cli::StatusText(status));
      std::printf("%s}\n", out.c_str());
    } else if (status == hvcnSUCCESS) {
      std::printf("%s\n", output);
    } else {
      std::printf("error %d: %s\n", status, cli::StatusText(status).c_str());
      cli::Error("%s: %d: %s", cli::ShowControls(text).c_str(), status, cli::StatusText(status).c_str());
    }
  }
  return exitStatus;
}

}  // namespace

const cli::Command kFormatCommand = {
    "format",
    "Write internal names as text under a format string.",
    "hvcn format --from N [--format F] [--output-format F] [--escape] [--json] [TEXT...]",
    "Without TEXT, internal names are read from standard input, one a line; control\n"
    "characters are written \\xHH or <GS>, <RS>, <ETB>, <SUB>, <US>.\n\n"
    "examples:\n"
    "  $ hvcn format --from 3 '1\\x1dSmith\\x1e2\\x1dJohn\\x1e3\\x1dJK\\x1e9\\x1dOrg\\x1e10\\x1dUS'\n"
    "  Smith, John J.K. /o=Org/c=US\n"
    "  $ hvcn format --from 1 --output-format '%(NONCANON)' 'Smith<GS>John'\n"
    "  John Smith\n",
    kOptions,
    Run,
};
