// hvcn read: whatever a user pastes - a typed name, a standard O/R address,
// an Exchange or IMCEA spelling, an RFC 822 gateway address - read by the
// library's reader of its kind (hvcnReadAddress).
#include <memory>
#include <string>
#include <string_view>

#include "attributes.h"
#include "batch.h"
#include "cli.h"
#include "commands.h"
#include "explain.h"
#include "hvcn.h"
#include "text.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--strict", nullptr, "refuse a typed name holding what no personal name holds ('@', '<', '>', label=)"},
    {"--format", "F", "format string of typed names (default: the configured one)"},
    {"--json", nullptr, "print one JSON object per text"},
    cli::kJobsOption,
    cli::kEncodingOption,
};

constexpr cli::Shape kShape{"input"};

struct Settings {
  const char* format;
  uint32_t flags;
  bool json;
};

class ReadHandler : public cli::Handler {
 public:
  explicit ReadHandler(Settings s) : s_(s), f_(std::make_unique<hvcnFormat>()) {}

  bool Ready() { return cli::ReadyFormat(s_.format, f_.get()); }

  void Handle(const char* text, size_t length, cli::Results& results) override {
    cli::Result& r = results.Add();
    r.input = std::string_view(text, length);
    int32_t kind = hvcnKIND_NONE;
    r.status = hvcnReadAddress(text, f_.get(), s_.flags, &kind);
    std::string_view output;
    if (r.status == hvcnSUCCESS) r.status = names_.ORAddress(*f_, 0, &output);
    if (r.status != hvcnSUCCESS) {
      r.detail = f_->errorDetail;
      Explain(r, kind, text);
    }
    if (!s_.json) {
      if (r.status == hvcnSUCCESS) {
        cli::AppendShown(r.text, output);
        r.text += '\n';
      }
      return;
    }
    if (const char* name = cli::KindName(kind)) r.Field("kind", name);
    else r.Null("kind");
    if (r.status != hvcnSUCCESS) return;
    r.Field("output", output);
    attributesJson_.AppendHeld(r.Raw("attributes"), *f_);
  }

 private:
  // Where the reader of the kind went wrong, as the library explains it.
  void Explain(cli::Result& r, int32_t kind, const char* text) {
    switch (kind) {
      case hvcnKIND_TYPED:
        r.explanation = cli::Explanation(*f_, r.status, hvcnEXPLAIN_NAME, hvcnPARSE_COMPLETE, text, &r.column);
        return;
      case hvcnKIND_ANNEXF:
      case hvcnKIND_STDOR:
      case hvcnKIND_EXCHANGE:
      case hvcnKIND_IMCEA:
      case hvcnKIND_DIRECTORY_NAME:
        cli::Explanation(*f_, r.status, hvcnEXPLAIN_OR_ADDRESS, hvcnOR_FROM_AUTO, text, &r.column);
        return;
      default: return;
    }
  }

  const Settings s_;
  std::unique_ptr<hvcnFormat> f_;
  cli::NameWriter names_;
  cli::AttributesJson attributesJson_;
};

int Run(const cli::Invocation& args) {
  const Settings s{args.Value("--format"), args.Has("--strict") ? hvcnREAD_STRICT : 0u, args.Has("--json")};
  const cli::ResultWriter writer(kShape, s.json);
  return cli::RunInputs(args, writer, [s]() -> std::unique_ptr<cli::Handler> {
    auto handler = std::make_unique<ReadHandler>(s);
    if (!handler->Ready()) return nullptr;
    return handler;
  });
}

}  // namespace

const cli::Command kReadCommand = {
    "read",
    "Read whatever is pasted as a recipient: typed names, O/R addresses in any text form, gateway addresses.",
    "[TEXT...]",
    "Tells which kind each text is - a typed name, an internet mailbox, an O/R\n"
    "address in the \";\" or \"/\" form, as Exchange writes it ([X400:...]), in an\n"
    "IMCEA address, through an RFC 822 gateway (\"/S=Lee/C=US/\"@gw.example), or an\n"
    "X.500 directory name - and reads it with the library's reader of that kind\n"
    "(hvcnReadAddress): a typed name under --format. Each text read gives one line,\n"
    "the name in the \"/\" form of RFC 2156, whatever its kind (a typed name's parts\n"
    "under their labels). An internet mailbox stays a mailbox: it is not read\n"
    "(status 19, the detail says so), nor is a directory name (status 27, the\n"
    "detail says why). With --strict a typed name holding what no personal name\n"
    "holds is refused. Without TEXT, texts are read from standard input, one a\n"
    "line; with --json each gives one JSON object with its kind and the\n"
    "attributes read (as parse --json shows them). The exit status is 1 when a\n"
    "text cannot be read; the status text and where it goes wrong also go to\n"
    "standard error.\n\n"
    "examples:\n"
    "  $ hvcn read 'Smith, John /o=Acme/c=US' '[X400:c=US;a= ;p=MS;o=PARIS;s=user]'\n"
    "  /G=John/S=Smith/O=Acme/C=US/\n"
    "  /S=user/O=PARIS/PRMD=MS/ADMD= /C=US/\n"
    "  $ hvcn read --json < pasted.txt > pasted.jsonl\n",
    kOptions,
    Run,
};
