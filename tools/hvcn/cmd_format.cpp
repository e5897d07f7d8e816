// hvcn tokens, hvcn rslist: what a format string holds and covers.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "attributes.h"
#include "cli.h"
#include "commands.h"
#include "hvcn.h"
#include "result.h"
#include "text.h"

namespace {

// A separator byte of a token as people read it.
std::string ShowSeparator(uint8_t sep) {
  if (sep == 0) return "none";
  if (sep == 1) return "adjacent";
  return "'" + cli::ShowControls(std::string(1, static_cast<char>(sep))) + "'";
}

// Appends a line without the blanks its columns leave at its end.
void AppendLine(cli::Buffer& out, std::string line) {
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out += line + "\n";
}

// Parses a format string; prints why it fails.
bool ParseFormat(const char* text, hvcnFormat* format) {
  int32_t status = hvcnParseFormatString(text, format);
  if (status == hvcnSUCCESS) return true;
  cli::FormatStringRefused(text, *format, status);
  return false;
}

std::string TokenName(const hvcnToken& token) {
  if (!token.name) return "";
  const char* end = std::strchr(token.name, ')');
  return end ? std::string(token.name, end) : std::string(token.name);
}

constexpr cli::Option kTokensOptions[] = {
    {"--json", nullptr, "print one JSON object per token"},
};

// A token has no input or status of its own; an RS list is that of its
// format string.
constexpr cli::Shape kTokenShape{nullptr, false, false, false};
constexpr cli::Shape kRsListShape{"format", true, false, false};

int RunTokens(const cli::Invocation& args) {
  if (args.Positional().size() != 1) {
    cli::Error("give one format string (see 'hvcn tokens --help')");
    return cli::kUsage;
  }
  auto format = std::make_unique<hvcnFormat>();
  if (!ParseFormat(args.Positional()[0], format.get())) return cli::kFailed;
  const bool json = args.Has("--json");
  cli::Results results;
  for (int i = 0; i < hvcnTOKEN_COUNT; ++i) {
    const hvcnToken& t = format->tokens[i];
    if (t.id == 0) continue;
    const bool last = (t.tokenFlags & hvcnTOK_LAST) != 0;
    cli::Result& r = results.Add();
    if (json) {
      r.Number("index", i);
      r.Field("name", TokenName(t));
      r.Number("id", t.id);
      r.Field("meaning", cli::DescribeToken(t.id));
      if (t.slot == hvcnSLOT_SECTION) r.Null("slot");
      else r.Number("slot", t.slot);
      r.Number("leadSep", t.leadSep);
      r.Number("trailSep", t.trailSep);
      r.Bool("last", last);
    } else {
      AppendLine(r.text, cli::Format("%d  %-10s id %-4d slot %-5s lead %-8s trail %-8s %s  %s", i,
                                     cli::ShowControls(TokenName(t)).c_str(), t.id,
                                     t.slot == hvcnSLOT_SECTION ? "-" : std::to_string(t.slot).c_str(),
                                     ShowSeparator(t.leadSep).c_str(), ShowSeparator(t.trailSep).c_str(),
                                     cli::DescribeToken(t.id).c_str(), last ? "last" : ""));
    }
  }
  return cli::WriteResults(cli::ResultWriter(kTokenShape, json), results);
}

constexpr cli::Option kRsListOptions[] = {
    {"--user-only", nullptr, "the user-only form: @X400-ATTR@ and the user attributes"},
    {"--7bit", nullptr, "a 7-bit-only format (no teletex variants)"},
    {"--json", nullptr, "print one JSON object with the names"},
};

int RunRsList(const cli::Invocation& args) {
  if (args.Positional().size() != 1) {
    cli::Error("give one format string (see 'hvcn rslist --help')");
    return cli::kUsage;
  }
  auto format = std::make_unique<hvcnFormat>();
  if (!ParseFormat(args.Positional()[0], format.get())) return cli::kFailed;
  uint32_t userOnly = args.Has("--user-only") ? 1 : 0;
  uint32_t sevenBit = args.Has("--7bit") ? 1 : 0;
  hvcnSetFormatInfo(format.get(), &userOnly, hvcnINFO_RS_USER_ONLY);
  hvcnSetFormatInfo(format.get(), &sevenBit, hvcnINFO_7BIT_ONLY);
  char list[8192];
  const bool json = args.Has("--json");
  cli::Results results;
  cli::Result& r = results.Add();
  r.input = args.Positional()[0];
  r.status = hvcnGetRSList(format.get(), list, sizeof list);
  if (r.status != hvcnSUCCESS) {
    cli::Error("format string %s: %d: %s", args.Positional()[0], r.status, cli::StatusText(r.status).c_str());
    return cli::kFailed;
  }
  cli::Buffer* names = json ? &r.Raw("names") : nullptr;
  if (names) *names += '[';
  const char* p = list;
  bool first = true;
  while (*p) {
    const char* end = std::strchr(p, hvcnCHAR_RS);
    std::string name = end ? std::string(p, end) : std::string(p);
    if (names) {
      if (!first) *names += ",";
      cli::AppendJson(*names, name);
    } else {
      const hvcnAttributeInfo* known = cli::AttributeById(std::atoi(name.c_str()));
      const bool byNumber = known && std::to_string(known->id) == name;
      AppendLine(r.text, cli::Format("%-8s %s", cli::ShowControls(name).c_str(), byNumber ? known->name : ""));
    }
    first = false;
    if (!end) break;
    p = end + 1;
  }
  if (names) *names += ']';
  return cli::WriteResults(cli::ResultWriter(kRsListShape, json), results);
}

}  // namespace

const cli::Command kTokensCommand = {
    "tokens",
    "Show the tokens of a format string: separators, IDs and attribute slots.",
    "FORMAT",
    "example:\n"
    "  $ hvcn tokens '%(CANON)%(EFA)%(X400)'\n"
    "  0  CANON      id -2   slot -     lead none     trail adjacent CANON\n"
    "  1  EFA        id -5   slot -     lead '('      trail ')'      EFA\n"
    "  2  X400       id -4   slot -     lead '/'      trail none     X400  last\n",
    kTokensOptions,
    RunTokens,
};

const cli::Command kRsListCommand = {
    "rslist",
    "List the attributes a format string covers (its RS list), one a line.",
    "FORMAT",
    "Each line shows the attribute's name in the list (its ID, or a user\n"
    "attribute's name) and what it is.\n\n"
    "examples:\n"
    "  $ hvcn rslist '%(116)%(CANON)'\n"
    "  $ hvcn rslist --user-only '%(Dept)%(CANON)'\n",
    kRsListOptions,
    RunRsList,
};
