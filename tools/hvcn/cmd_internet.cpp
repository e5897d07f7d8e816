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

// No status: a name that is no mailbox is a failure without a message.
constexpr cli::Shape kShape{"name", false, false, false};

class InternetHandler : public cli::Handler {
 public:
  explicit InternetHandler(bool json) : json_(json) {}

  void Handle(const char* name, size_t length, cli::Results& results) override {
    // The normalised text is never longer than twice the name plus the NUL.
    normalised_.assign(2 * length + 1, '\0');
    const bool internet = hvcnParseInternetName(name, normalised_.data()) == 1;
    normalised_.resize(internet ? std::strlen(normalised_.c_str()) : 0);
    cli::Result& r = results.Add();
    r.input = std::string_view(name, length);
    r.failed = !internet;
    if (json_) {
      r.Bool("internet", internet);
      if (internet) r.Field("normalised", normalised_);
      else r.Null("normalised");
    } else {
      // A backslash shows doubled, so that \x07 typed and a BEL differ.
      r.text += internet ? "yes  " : "no   ";
      cli::AppendShown(r.text, internet ? std::string_view(normalised_) : r.input, true);
      r.text += '\n';
    }
  }

 private:
  bool json_;
  std::string normalised_;
};

int Run(const cli::Invocation& args) {
  const bool json = args.Has("--json");
  const cli::ResultWriter writer(kShape, json);
  return cli::RunInputs(args, writer, [json] { return std::make_unique<InternetHandler>(json); });
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
