// hvcn parse: reads typed names, shows their attributes and readings.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <iterator>
#include <utility>
#include <vector>

#include "attributes.h"
#include "batch.h"
#include "cli.h"
#include "commands.h"
#include "explain.h"
#include "hvcn.h"
#include "text.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--format", "F", "input format string (default: the configured one)"},
    {"--open", nullptr, "the name is still being typed (default: complete)"},
    {"--prefer-teletex", nullptr, "store values in their teletex variants"},
    {"--internal", "T", "also show the name in internal type 1, 2 or 3", "1 2 3"},
    {"--output-format", "F", "also write the name under this format"},
    {"--all", nullptr, "show every reading of an ambiguous name"},
    {"--lines", nullptr, "one line per name (or reading), tab-separated; the default for standard input"},
    {"--json", nullptr, "print one JSON object per name (per reading with --all)"},
    cli::kJobsOption,
    cli::kEncodingOption,
};

// A part of a personal name in the words of a reading, by its attribute.
const char* PartWord(int32_t part) {
  switch (part) {
    case hvcnATT_SURNAME: return "surname";
    case hvcnATT_GIVEN_NAME: return "given name";
    case hvcnATT_INITIALS: return "initials";
    default: return "generation qualifier";
  }
}

enum class Mode { Readable, Lines, Json };

struct Settings {
  const char* format;
  uint32_t flags;
  int32_t internal;
  const char* outputFormat;
  bool all;
  Mode mode;
};

// Each reading a result; a failure is the name's line with its error in the
// line form, its message on standard error.
constexpr cli::Shape kShape{"name", true, false, true};

class ParseHandler : public cli::Handler {
 public:
  explicit ParseHandler(Settings s) : s_(s), f_(std::make_unique<hvcnFormat>()) {}

  // Readies the format; prints why it cannot.
  bool Ready() { return cli::ReadyFormat(s_.format, f_.get()); }

  void Handle(const char* name, size_t length, cli::Results& results) override {
    const std::string_view text(name, length);
    uint32_t context = 0;
    for (int reading = 1;; ++reading) {
      // The shape is reported for this call only: a name without a
      // personal-name reading leaves the field as the call found it.
      f_->nameShape = 0;
      const int32_t status = hvcnParseName(name, f_.get(), 0, nullptr, 0, &context, s_.flags);
      if (status == hvcnERR_NO_MORE_INTERPRETATIONS && reading > 1) return;
      cli::Result& r = results.Add();
      r.input = text;
      r.status = status;
      if (status != hvcnSUCCESS) {
        Failure(r);
        return;
      }
      Reading(r, reading, context);
      if (!s_.all || (context & hvcnPARSE_CONTEXT_MASK) == 0) return;
    }
  }

 private:
  // The reading as its words: the personal-name parts in the order typed.
  void Words() {
    std::pair<uint32_t, const char*> parts[8];
    size_t count = 0;
    for (const cli::HeldValue& v : values_)
      if (v.info && (v.info->flags & hvcnAINFO_PERSONAL) && count < std::size(parts))
        parts[count++] = {v.offset, PartWord(v.teletex ? v.info->twinId : v.id)};
    for (size_t i = 1; i < count; ++i)  // in the order typed
      for (size_t j = i; j > 0 && parts[j].first < parts[j - 1].first; --j) std::swap(parts[j], parts[j - 1]);
    words_.clear();
    for (size_t i = 0; i < count; ++i) {
      if (i) words_ += ", ";
      words_ += parts[i].second;
    }
  }

  // The name in the internal type of --internal, and under --output-format
  // ("" when it cannot be written).
  void Forms() {
    internal_ = output_ = {};
    if (s_.internal &&
        cli::CallSized(internalBuffer_, [&](char* buffer, uint32_t size, uint32_t* needed) {
          return hvcnTranslateInternalFormatEx(f_.get(), 0, nullptr, s_.internal, buffer, size, needed,
                                               hvcnTIF_HELD_NAME);
        }) == hvcnSUCCESS)
      internal_ = internalBuffer_.c_str();
    if (!s_.outputFormat || hvcnChangeOutputFormat(s_.outputFormat, f_.get()) != hvcnSUCCESS) return;
    if (cli::CallSized(outputBuffer_, [&](char* buffer, uint32_t size, uint32_t* needed) {
          return hvcnFormatNameEx(f_.get(), buffer, size, needed, hvcnFN_REFORMAT);
        }) == hvcnSUCCESS)
      output_ = outputBuffer_.c_str();
  }

  void Reading(cli::Result& r, int reading, uint32_t context) {
    cli::CollectHeldValues(*f_, values_);
    Words();
    Forms();
    const std::string& words = words_;
    const std::string_view output = output_;
    const uint32_t shape = static_cast<uint32_t>(f_->nameShape);
    cli::Buffer& out = r.text;
    switch (s_.mode) {
      case Mode::Json:
        r.Number("reading", reading);
        r.Number("shape", shape);
        r.Number("context", context);
        r.Field("words", words);
        attributesJson_.Append(r.Raw("attributes"), values_);
        if (s_.internal) r.Field("internal", internal_);
        if (s_.outputFormat) r.Field("output", output);
        return;
      case Mode::Lines: {
        // name, reading, its words, then tag=value (or #ID=value) pairs.
        cli::AppendShown(out, r.input);
        out += '\t';
        cli::AppendNumber(out, reading);
        out += '\t';
        out += words;
        out += '\t';
        for (size_t i = 0; i < values_.size(); ++i) {
          const cli::HeldValue& v = values_[i];
          if (i) out += ' ';
          if (v.info && (v.info->flags & hvcnAINFO_DDA_TYPE)) {
            // A domain-defined pair as X.400 writes it: dd.type=value.
            out += "dd.";
            cli::AppendShown(out, v.value);
            out += '=';
            // Its value: the attribute of the next ID.
            if (i + 1 < values_.size() && values_[i + 1].id == v.id + 1) cli::AppendShown(out, values_[++i].value);
          } else {
            const hvcnAttributeInfo* known = v.info;
            if (known && known->tag[0]) out += known->tag;
            else if (known) out += "#" + std::to_string(v.id);
            else cli::AppendShown(out, v.userName);
            out += '=';
            cli::AppendShown(out, v.value);
          }
        }
        if (s_.internal) {
          out += '\t';
          cli::AppendShown(out, internal_);
        }
        if (s_.outputFormat) {
          out += '\t';
          cli::AppendShown(out, output);
        }
        out += '\n';
        return;
      }
      case Mode::Readable: {
        if (reading == 1) {
          cli::AppendShown(out, r.input);
          out += '\n';
        }
        out += cli::Format("  reading %d%s%s  (shape 0x%x, context 0x%x%s)\n", reading, words.empty() ? "" : ": ",
                           words.c_str(), shape, context,
                           (context & hvcnPARSE_CONTEXT_MASK) ? ": more readings may follow" : "");
        for (const cli::HeldValue& v : values_) {
          const hvcnAttributeInfo* known = v.info;
          const std::string label =
              known ? std::string(known->name) + " (" + std::to_string(v.id) + ")" : cli::ShowControls(v.userName);
          out += cli::Format("    %-6s %-26s ", known ? known->tag : "", label.c_str());
          cli::AppendShown(out, v.value);
          out += '\n';
        }
        if (s_.internal) out += "    internal: " + cli::ShowControls(internal_) + "\n";
        if (s_.outputFormat) out += "    output:   " + cli::ShowControls(output) + "\n";
        return;
      }
    }
  }

  // A name refused: its detail and explanation; in the line form also the
  // name with its error.
  void Failure(cli::Result& r) {
    r.detail = f_->errorDetail;
    r.explanation = cli::ExplainName("parse", *f_, r.status, s_.flags, r.input, &r.column);
    if (s_.mode != Mode::Lines) return;
    cli::AppendShown(r.text, r.input);
    r.text += "\terror " + std::to_string(r.status) + "\t" + cli::StatusText(r.status) + "\n";
  }

  const Settings s_;
  std::unique_ptr<hvcnFormat> f_;
  std::string internalBuffer_, outputBuffer_;
  std::string_view internal_, output_;  // in the buffers
  std::vector<cli::HeldValue> values_;
  cli::AttributesJson attributesJson_;
  std::string words_;
};

int Run(const cli::Invocation& args) {
  Settings s{};
  s.format = args.Value("--format");
  s.flags = args.Has("--open") ? 0 : hvcnPARSE_COMPLETE;
  if (args.Has("--prefer-teletex")) s.flags |= hvcnPARSE_PREFER_TELETEX;
  s.internal = 0;
  if (const char* internal = args.Value("--internal")) {
    if (std::strlen(internal) != 1 || internal[0] < '1' || internal[0] > '3') {
      cli::Error("--internal takes 1, 2 or 3, not '%s'", internal);
      return cli::kUsage;
    }
    s.internal = internal[0] - '0';
  }
  s.outputFormat = args.Value("--output-format");
  s.all = args.Has("--all");
  s.mode = args.Has("--json") ? Mode::Json
           : (args.Has("--lines") || args.Positional().empty()) ? Mode::Lines
                                                                 : Mode::Readable;
  const cli::ResultWriter writer(kShape, s.mode == Mode::Json);
  return cli::RunInputs(args, writer, [s]() -> std::unique_ptr<cli::Handler> {
    auto handler = std::make_unique<ParseHandler>(s);
    if (!handler->Ready()) return nullptr;
    return handler;
  });
}

}  // namespace

const cli::Command kParseCommand = {
    "parse",
    "Read typed names: their attributes, the reading chosen and the readings left.",
    "[NAME...]",
    "Without NAME, names are read from standard input, one a line, and each result\n"
    "is one line (tab-separated: name, reading, its words, tag=value pairs) or, with\n"
    "--json, one JSON object, in the order of the input. The exit status is 1 when a\n"
    "name cannot be read; the status text, and where the name goes wrong, go to\n"
    "standard error (with --json: the object's error, detail and explanation).\n\n"
    "examples:\n"
    "  $ hvcn parse 'Smith, John (ext-42) /o=Org/c=US'\n"
    "  $ hvcn parse --all 'Smith, J.'          (initials, given name, generation qualifier)\n"
    "  $ hvcn parse --format '%(NONCANON)' --output-format '%(CANON)' 'John Smith'\n"
    "  $ hvcn parse --json --internal 3 < names.txt > names.jsonl\n",
    kOptions,
    Run,
};
