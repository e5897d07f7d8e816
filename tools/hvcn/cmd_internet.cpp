// hvcn internet: is a typed name an internet (RFC 822) mailbox, and how
// does it read normalised.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli.h"
#include "commands.h"
#include "hvcn.h"

namespace {

constexpr cli::Option kInternetOptions[] = {
    {"--json", nullptr, "print one JSON object per name"},
};

int RunInternet(const cli::Invocation& args) {
  const bool json = args.Has("--json");
  cli::Inputs inputs(args.Positional());
  int exitStatus = cli::kOk;
  std::string name;
  while (inputs.Next(&name)) {
    // The normalised text is never longer than twice the name plus the NUL.
    std::string normalised(2 * name.size() + 1, '\0');
    const bool internet = hvcnParseInternetName(name.c_str(), normalised.data()) == 1;
    normalised.resize(internet ? std::strlen(normalised.c_str()) : 0);
    if (!internet) exitStatus = cli::kFailed;
    if (json) {
      std::string out = "{\"name\":";
      cli::AppendJson(out, name);
      out += ",\"internet\":";
      out += internet ? "true" : "false";
      out += ",\"normalised\":";
      if (internet) {
        cli::AppendJson(out, normalised);
      } else {
        out += "null";
      }
      out += "}";
      std::printf("%s\n", out.c_str());
    } else if (internet) {
      std::printf("yes  %s\n", cli::ShowControls(normalised).c_str());
    } else {
      std::printf("no   %s\n", cli::ShowControls(name).c_str());
    }
  }
  return exitStatus;
}

}  // namespace

const cli::Command kInternetCommand = {
    "internet",
    "Tell whether names are internet (RFC 822) mailboxes and print them normalised.",
    "hvcn internet [--json] [NAME...]",
    "For a mailbox prints yes and the name normalised: comments removed, one\n"
    "blank between words and none around @ . < >. Otherwise prints no and the\n"
    "name as given. Control characters are shown as \\xHH. Without NAME the\n"
    "names are read from standard input, one a line. The exit status is 1 when\n"
    "some name is not a mailbox.\n\n"
    "examples:\n"
    "  $ hvcn internet 'Ann  Lee <ann@example.com> (home)' '<ann@example.com>'\n"
    "  yes  Ann Lee <ann@example.com>\n"
    "  no   <ann@example.com>\n"
    "  $ echo 'ann @ example.com' | hvcn internet --json\n"
    "  {\"name\":\"ann @ example.com\",\"internet\":true,\"normalised\":\"ann@example.com\"}\n",
    kInternetOptions,
    RunInternet,
};
