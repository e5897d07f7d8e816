// The playground's own command, beside the tool's: what the page shows and
// the tool has no command for - an O/R address in internal type 1 (the tool
// writes a typed name's internal forms with parse --internal and converts
// type 1 to the others with translate, but has no way from an O/R address
// in its standard form to type 1). It is a cli::Command of the tool's kind
// and writes its results with the tool's result writer, so its objects are
// shaped as the tool's --json objects are (input, status, error, detail,
// explanation, column, then internal1).
#include "web_commands.h"

#include <memory>
#include <string>

#include "cli.h"
#include "explain.h"
#include "hvcn.h"
#include "result.h"

namespace {

constexpr cli::Shape kShape{"input"};

constexpr cli::Option kInternalOptions[] = {{"--json", nullptr, "print a JSON object"}};

int RunInternal(const cli::Invocation& args) {
  const auto format = std::make_unique<hvcnFormat>();
  hvcnFormat* f = format.get();
  if (!cli::ReadyFormat(nullptr, f)) return cli::kFailed;
  std::string buffer;
  cli::Results results;
  for (const char* text : args.Positional()) {
    cli::Result& r = results.Add();
    r.input = text;
    r.status = hvcnParseORAddress(text, f, hvcnOR_FROM_AUTO);
    if (r.status == hvcnSUCCESS)
      r.status = cli::CallSized(buffer, [&](char* out, uint32_t size, uint32_t* needed) {
        return hvcnTranslateInternalFormatEx(f, 0, nullptr, 1, out, size, needed, hvcnTIF_HELD_NAME);
      });
    if (r.status != hvcnSUCCESS) {
      r.detail = f->errorDetail;
      r.explanation = cli::Explanation(*f, r.status, hvcnEXPLAIN_OR_ADDRESS, hvcnOR_FROM_AUTO, text, &r.column);
      continue;
    }
    r.Field("internal1", buffer.c_str());
    r.text += buffer;
    r.text += '\n';
  }
  return cli::WriteResults(cli::ResultWriter(kShape, args.Has("--json")), results);
}

}  // namespace

const cli::Command kWebInternalCommand = {
    "internal1", "Write each O/R address in internal type 1.", "TEXT...",
    "Reads an O/R address in the \"/\" or \";\" form (hvcnParseORAddress) and\n"
    "writes the held name in internal type 1 (hvcnTranslateInternalFormatEx);\n"
    "hvcn translate --from 1 converts it to the other types.\n",
    kInternalOptions, RunInternal,
};
