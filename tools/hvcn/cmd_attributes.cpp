// hvcn attributes: every standard attribute as the library describes it
// (hvcnGetAttributeInfo): ID, name, X.400 tag in force, check, maximum,
// teletex twin, standard labels.
#include <string>

#include "attributes.h"
#include "cli.h"
#include "commands.h"
#include "hvcn.h"
#include "result.h"
#include "text.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--json", nullptr, "print one JSON object per attribute"},
};

// The word for an attribute's check (hvcnAttributeInfo.valueClass).
const char* CheckWord(int32_t valueClass) {
  switch (valueClass) {
    case hvcnCLASS_PRINTABLE: return "printable";
    case hvcnCLASS_NUMERIC: return "numeric";
    case hvcnCLASS_STRING: return "string";
    case hvcnCLASS_TELETEX_OR_PRINTABLE: return "teletex";
    case hvcnCHECK_COUNTRY: return "country";
    case hvcnCHECK_TERMINAL_TYPE: return "terminal-type";
    case hvcnCHECK_POSTAL_LINES: return "postal-lines";
    default: return "none";
  }
}

// An attribute has no input or status of its own.
constexpr cli::Shape kShape{nullptr, false, false, false};

int Run(const cli::Invocation& args) {
  if (!args.Positional().empty()) {
    cli::Error("attributes takes no arguments (see 'hvcn attributes --help')");
    return cli::kUsage;
  }
  const bool json = args.Has("--json");
  cli::Results results;
  if (!json) {
    cli::Result& head = results.Add();
    head.text += cli::Format("%-4s %-22s %-6s %-13s %5s %5s  %-16s %s\n", "ID", "NAME", "TAG", "CHECK", "MAX",
                             "TWIN", "LABEL", "SHORT");
  }
  for (int32_t id = 1; id <= hvcnATTRIBUTE_ID_LAST; ++id) {
    const hvcnAttributeInfo* a = cli::AttributeById(id);
    if (!a) continue;
    cli::Result& r = results.Add();
    if (json) {
      r.Number("id", a->id);
      r.Field("name", a->name);
      r.Field("tag", a->tag);
      r.Field("check", CheckWord(a->valueClass));
      r.Number("valueClass", a->valueClass);
      r.Number("maxLength", a->maxLength);
      r.Number("twin", a->twinId);
      r.Field("label", a->label);
      r.Field("shortLabel", a->shortLabel);
      r.Bool("teletex", (a->flags & hvcnAINFO_TELETEX) != 0);
      r.Bool("asciiOnly", (a->flags & hvcnAINFO_ASCII_ONLY) != 0);
      r.Bool("personal", (a->flags & hvcnAINFO_PERSONAL) != 0);
      r.Bool("ddaType", (a->flags & hvcnAINFO_DDA_TYPE) != 0);
      r.Bool("ddaValue", (a->flags & hvcnAINFO_DDA_VALUE) != 0);
    } else {
      const std::string twin = a->twinId ? std::to_string(a->twinId) : "-";
      const std::string maximum = a->maxLength ? std::to_string(a->maxLength) : "-";
      std::string line = cli::Format("%-4d %-22s %-6s %-13s %5s %5s  %-16s %s", a->id, a->name,
                                     a->tag[0] ? a->tag : "-", CheckWord(a->valueClass), maximum.c_str(),
                                     twin.c_str(), a->label[0] ? a->label : "-", a->shortLabel);
      while (!line.empty() && line.back() == ' ') line.pop_back();
      r.text += line + "\n";
    }
  }
  return cli::WriteResults(cli::ResultWriter(kShape, json), results);
}

}  // namespace

const cli::Command kAttributesCommand = {
    "attributes",
    "List every standard attribute: ID, name, X.400 tag, check, maximum, teletex twin, labels.",
    "",
    "The names and tags are those the other commands read (attr, validate) and\n"
    "print; the tags are the ones in force ([X400Tags] of the profile renames\n"
    "them). CHECK is the check hvcn validate runs: printable, numeric, string,\n"
    "teletex (teletex or printable), country, terminal-type, postal-lines or\n"
    "none; MAX its default maximum; TWIN the teletex twin's ID; LABEL and SHORT\n"
    "the labels of the standard O/R address forms.\n\n"
    "examples:\n"
    "  $ hvcn attributes\n"
    "  ID   NAME                   TAG    CHECK           MAX  TWIN  LABEL            SHORT\n"
    "  1    surname                s      printable        40    51  S\n"
    "  $ hvcn attributes --json | grep pd-organization\n",
    kOptions,
    Run,
};
