// hvcn internet: is a typed name an internet (RFC 822) mailbox, and how
// does it read normalised.
#include <cstring>
#include <string>

#include "batch.h"
#include "cli.h"
#include "commands.h"
#include "hvcn.h"
#include "text.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--json", nullptr, "print one JSON object per name"},
    cli::kJobsOption,
    cli::kEncodingOption,
};

class InternetHandler : public cli::LineHandler {
 public:
  explicit InternetHandler(bool json) : json_(json) {}

  bool Handle(const char* name, size_t length, size_t, cli::Buffer& out, std::string&) override {
    // The normalised text is never longer than twice the name plus the NUL.
    normalised_.assign(2 * length + 1, '\0');
    const bool internet = hvcnParseInternetName(name, normalised_.data()) == 1;
    normalised_.resize(internet ? std::strlen(normalised_.c_str()) : 0);
    const std::string_view text(name, length);
    if (json_) {
      out += '{';
      cli::AppendJsonField(out, "name", text, true);
      out += internet ? ",\"internet\":true" : ",\"internet\":false,\"normalised\":null}\n";
      if (internet) {
        cli::AppendJsonField(out, "normalised", normalised_);
        out += "}\n";
      }
    } else {
      // A backslash shows doubled, so that \x07 typed and a BEL differ.
      out += internet ? "yes  " : "no   ";
      cli::AppendShown(out, internet ? std::string_view(normalised_) : text, true);
      out += '\n';
    }
    return internet;
  }

 private:
  bool json_;
  std::string normalised_;
};

int Run(const cli::Invocation& args) {
  const bool json = args.Has("--json");
  return cli::RunInputs(args, [json] { return std::make_unique<InternetHandler>(json); });
}

}  // namespace

const cli::Command kInternetCommand = {
    "internet",
    "Tell whether names are internet (RFC 822) mailboxes and print them normalised.",
    "[NAME...]",
    "For a mailbox prints yes and the name normalised: comments removed, one\n"
    "blank between words and none around @ . < >. Otherwise prints no and the\n"
    "name as given. Control characters are shown as \\xHH and a backslash as \\\\.\n"
    "Without NAME the names are read from standard input, one a line. The exit\n"
    "status is 1 when some name is not a mailbox.\n\n"
    "examples:\n"
    "  $ hvcn internet 'Ann  Lee <ann@example.com> (home)' '<ann@example.com>'\n"
    "  yes  Ann Lee <ann@example.com>\n"
    "  no   <ann@example.com>\n"
    "  $ echo 'ann @ example.com' | hvcn internet --json\n"
    "  {\"name\":\"ann @ example.com\",\"internet\":true,\"normalised\":\"ann@example.com\"}\n",
    kOptions,
    Run,
};
