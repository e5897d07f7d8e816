// hvcn parse: reads typed names, shows their attributes and readings.
#include <algorithm>
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

constexpr cli::Option kOptions[] = {
    {"--format", "F", "input format string (default: the configured one)"},
    {"--open", nullptr, "the name is still being typed (default: complete)"},
    {"--prefer-teletex", nullptr, "store values in their teletex variants"},
    {"--internal", "T", "also show the name in internal type 1, 2 or 3"},
    {"--output-format", "F", "also write the name under this format"},
    {"--all", nullptr, "show every reading of an ambiguous name"},
    {"--lines", nullptr, "one line per name (or reading), tab-separated; the default for standard input"},
    {"--json", nullptr, "print one JSON object per name (per reading with --all)"},
};

const char* const kPartNames[] = {"surname", "given name", "initials", "generation qualifier"};

// One attribute of a parsed name.
struct Value {
  int32_t id;
  std::string name;  // a user attribute's name
  std::string value;
  int slot;
};

std::vector<Value> Values(hvcnFormat* f) {
  std::vector<Value> values;
  for (int slot = 0; slot < hvcnATTRIBUTE_COUNT; ++slot) {
    const hvcnAttribute& record = f->attributes[slot];
    if (record.id == 0 || record.valueLength == hvcnVALUE_ABSENT || record.valueLength == 0) continue;
    char buffer[1100];
    std::snprintf(buffer, sizeof buffer, "%s", record.name);
    const int32_t id = record.id > 0 ? record.id : 0;
    if (hvcnGetAttributeValue(f, id, buffer, sizeof buffer) != hvcnSUCCESS) continue;
    values.push_back({record.id, record.name, buffer, slot});
  }
  return values;
}

// The reading as its words: the personal-name parts in the order typed.
std::string ReadingWords(const hvcnFormat* f) {
  std::vector<std::pair<uint32_t, const char*>> parts;
  for (int p = 0; p < 4; ++p) {
    for (int slot : {p, 25 + p}) {
      const hvcnAttribute& record = f->attributes[slot];
      if (record.valueLength != hvcnVALUE_ABSENT && record.valueLength != 0)
        parts.emplace_back(record.valueOffset, kPartNames[p]);
    }
  }
  std::sort(parts.begin(), parts.end());
  std::string words;
  for (const auto& part : parts) words += (words.empty() ? "" : ", ") + std::string(part.second);
  return words;
}

bool IsDdaType(int32_t id) {
  return (id >= hvcnATT_DDAT1 && id <= hvcnATT_DDAT4 && id % 2 == 0) ||
         (id >= hvcnATT_DDAT1_TX && id <= hvcnATT_DDAT4_TX && id % 2 == 0);
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

struct Settings {
  const char* format;
  uint32_t flags;
  int32_t internal;
  const char* outputFormat;
  bool all;
  bool json;
  bool lines;
};

// Prints one reading (or the failure of a name).
void Print(const Settings& s, hvcnFormat* f, const std::string& name, int reading, int32_t status,
           uint32_t context, const char* internal) {
  std::string output;
  if (status == hvcnSUCCESS && s.outputFormat) {
    if (hvcnChangeOutputFormat(s.outputFormat, f) == hvcnSUCCESS) {
      char text[2048];
      if (hvcnFormatName(f, text, sizeof text, hvcnFN_REFORMAT) == hvcnSUCCESS) output = text;
    }
  }
  if (s.json) {
    std::string out = "{\"name\":";
    cli::AppendJson(out, name);
    out += ",\"status\":" + std::to_string(status);
    if (status != hvcnSUCCESS) {
      out += ",\"error\":";
      cli::AppendJson(out, cli::StatusText(status));
      out += ",\"detail\":";
      cli::AppendJson(out, f->errorDetail);
      std::printf("%s}\n", out.c_str());
      return;
    }
    out += ",\"reading\":" + std::to_string(reading) + ",\"shape\":" + std::to_string(f->nameShape);
    out += ",\"context\":" + std::to_string(context) + ",\"words\":";
    cli::AppendJson(out, ReadingWords(f));
    out += ",\"attributes\":[";
    bool first = true;
    for (const Value& v : Values(f)) {
      const cli::AttributeName* known = cli::AttributeById(v.id);
      out += first ? "{" : ",{";
      first = false;
      out += "\"id\":" + std::to_string(v.id) + ",\"name\":";
      cli::AppendJson(out, known ? known->name : v.name);
      out += ",\"tag\":";
      cli::AppendJson(out, known ? known->tag : "");
      out += ",\"teletex\":" + std::string(v.slot >= 25 && v.slot <= 42 ? "true" : "false") + ",\"value\":";
      cli::AppendJson(out, v.value);
      out += "}";
    }
    out += "]";
    if (internal) {
      out += ",\"internal\":";
      cli::AppendJson(out, internal);
    }
    if (s.outputFormat) {
      out += ",\"output\":";
      cli::AppendJson(out, output);
    }
    std::printf("%s}\n", out.c_str());
    return;
  }
  if (status != hvcnSUCCESS) {
    cli::Error("%s: %d: %s%s%s", name.c_str(), status, cli::StatusText(status).c_str(), f->errorDetail[0] ? " " : "",
               f->errorDetail);
    if (s.lines) std::printf("%s\terror %d\t%s\n", name.c_str(), status, cli::StatusText(status).c_str());
    return;
  }
  if (s.lines) {
    // name, reading, its words, then tag=value (or #ID=value) pairs.
    std::string out = name + "\t" + std::to_string(reading) + "\t" + ReadingWords(f) + "\t";
    bool first = true;
    const std::vector<Value> values = Values(f);
    for (size_t i = 0; i < values.size(); ++i) {
      const Value& v = values[i];
      std::string item;
      if (IsDdaType(v.id)) {
        // A domain-defined pair as X.400 writes it: dd.type=value.
        item = "dd." + v.value + "=";
        if (i + 1 < values.size() && values[i + 1].id == v.id + 1) item += values[++i].value;
      } else {
        const cli::AttributeName* known = cli::AttributeById(v.id);
        item = (known && *known->tag ? known->tag : known ? "#" + std::to_string(v.id) : v.name) + "=" + v.value;
      }
      out += (first ? "" : " ") + item;
      first = false;
    }
    if (internal) out += "\t" + cli::ShowControls(internal);
    if (s.outputFormat) out += "\t" + output;
    std::printf("%s\n", out.c_str());
    return;
  }
  if (reading == 1) std::printf("%s\n", name.c_str());
  std::string words = ReadingWords(f);
  std::printf("  reading %d%s%s  (shape %s, context %s%s)\n", reading, words.empty() ? "" : ": ", words.c_str(),
              Hex(static_cast<uint32_t>(f->nameShape)).c_str(), Hex(context).c_str(),
              (context & hvcnPARSE_CONTEXT_MASK) ? ": more readings may follow" : "");
  for (const Value& v : Values(f)) {
    const cli::AttributeName* known = cli::AttributeById(v.id);
    std::string label = known ? std::string(known->name) + " (" + std::to_string(v.id) + ")" : v.name;
    std::printf("    %-6s %-26s %s\n", known ? known->tag : "", label.c_str(), v.value.c_str());
  }
  if (internal) std::printf("    internal: %s\n", cli::ShowControls(internal).c_str());
  if (s.outputFormat) std::printf("    output:   %s\n", output.c_str());
}

int Run(const cli::Invocation& args) {
  Settings s{};
  s.format = args.Value("--format");
  s.flags = args.Has("--open") ? 0 : hvcnPARSE_COMPLETE;
  if (args.Has("--prefer-teletex")) s.flags |= hvcnPARSE_PREFER_TELETEX;
  s.internal = args.Value("--internal") ? std::atoi(args.Value("--internal")) : 0;
  if (s.internal < 0 || s.internal > 3) {
    cli::Error("parse: --internal takes 1, 2 or 3");
    return cli::kUsage;
  }
  s.outputFormat = args.Value("--output-format");
  s.all = args.Has("--all");
  s.json = args.Has("--json");
  s.lines = !s.json && (args.Has("--lines") || args.Positional().empty());

  auto format = std::make_unique<hvcnFormat>();
  int32_t status = hvcnParseFormatString(s.format, format.get());
  if (status != hvcnSUCCESS) {
    cli::Error("format: %d: %s %s", status, cli::StatusText(status).c_str(), format->errorDetail);
    return cli::kFailed;
  }
  int exitStatus = cli::kOk;
  cli::Inputs inputs(args.Positional());
  std::string name;
  while (inputs.Next(&name)) {
    uint32_t context = 0;
    for (int reading = 1;; ++reading) {
      char internal[2048] = "";
      status = hvcnParseName(name.c_str(), format.get(), s.internal, s.internal ? internal : nullptr,
                             s.internal ? sizeof internal : 0, &context, s.flags);
      if (status == hvcnERR_NO_MORE_INTERPRETATIONS && reading > 1) break;
      Print(s, format.get(), name, reading, status, context, s.internal ? internal : nullptr);
      if (status != hvcnSUCCESS) {
        exitStatus = cli::kFailed;
        break;
      }
      if (!s.all || (context & hvcnPARSE_CONTEXT_MASK) == 0) break;
    }
  }
  return exitStatus;
}

}  // namespace

const cli::Command kParseCommand = {
    "parse",
    "Read typed names: their attributes, the reading chosen and the readings left.",
    "hvcn parse [--format F] [--open] [--prefer-teletex] [--internal T] [--output-format F] [--all] [--json] [NAME...]",
    "Without NAME, names are read from standard input, one a line, and each result\n"
    "is one line (tab-separated: name, reading, its words, tag=value pairs) or, with\n"
    "--json, one JSON object, in the order of the input. The exit status is 1 when a\n"
    "name cannot be read; the status text goes to standard error.\n\n"
    "examples:\n"
    "  $ hvcn parse 'Smith, John (ext-42) /o=Org/c=US'\n"
    "  $ hvcn parse --all 'Smith, J.'          (initials, given name, generation qualifier)\n"
    "  $ hvcn parse --format '%(NONCANON)' --output-format '%(CANON)' 'John Smith'\n"
    "  $ hvcn parse --json --internal 3 < names.txt\n",
    kOptions,
    Run,
};
