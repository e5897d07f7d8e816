#include "explain.h"

#include <cstring>
#include <memory>

#include "cli.h"
#include "text.h"

namespace cli {
namespace {

// The kinds as the tool names them (read --json's "kind").
constexpr struct {
  int32_t kind;
  const char* name;
} kKindNames[] = {
    {hvcnKIND_TYPED, "typed"},         {hvcnKIND_MAILBOX, "mailbox"},
    {hvcnKIND_RFC822, "rfc822"},       {hvcnKIND_ANNEXF, "annexf"},
    {hvcnKIND_STDOR, "stdor"},         {hvcnKIND_EXCHANGE, "exchange"},
    {hvcnKIND_IMCEA, "imcea"},         {hvcnKIND_DIRECTORY_NAME, "directory-name"},
    {hvcnKIND_DER_HEX, "der-hex"},     {hvcnKIND_AFTN, "aftn"},
};

// What a command says of a text of a kind it could not read; %s is the
// text as a shell word.
constexpr struct {
  const char* command;
  int32_t kind;
  const char* hint;
} kHints[] = {
    {"parse", hvcnKIND_STDOR, "This looks like a standard O/R address; read it with: hvcn orname %s"},
    {"parse", hvcnKIND_ANNEXF, "This looks like a standard O/R address; read it with: hvcn orname %s"},
    {"parse", hvcnKIND_EXCHANGE, "This looks like an O/R address as Exchange writes it; read it with: hvcn orname %s"},
    {"parse", hvcnKIND_IMCEA, "This looks like an O/R address in an IMCEA address; read it with: hvcn orname %s"},
    {"parse", hvcnKIND_RFC822,
     "This looks like an O/R address through an RFC 822 gateway; read it with: hvcn orname %s"},
    {"parse", hvcnKIND_MAILBOX, "This looks like an internet mailbox; check it with: hvcn internet %s"},
    {"parse", hvcnKIND_DIRECTORY_NAME,
     "This looks like an X.500 directory name, which is no O/R address; hvcn read %s says why"},
    {"orname", hvcnKIND_MAILBOX, "This looks like an RFC 822 address; read it with --gateway DOMAIN or --table FILE."},
};

}  // namespace

std::string Explanation(const hvcnFormat& failed, int32_t status, uint32_t call, uint32_t how, const char* text,
                        uint32_t* column) {
  uint32_t needed = 0, at = 0;
  std::string explanation;
  if (hvcnExplainStatus(&failed, status, call, how, text, nullptr, 0, &needed, &at) == hvcnERR_BUFFER_TOO_SMALL) {
    explanation.resize(needed);
    if (hvcnExplainStatus(&failed, status, call, how, text, explanation.data(), needed, &needed, &at) == hvcnSUCCESS)
      explanation.resize(needed - 1);
    else
      explanation.clear();
  }
  if (column) *column = explanation.empty() ? 0 : at;
  return explanation;
}

int32_t KindOf(std::string_view text, uint32_t flags) {
  // The classifier writes only the format's errorDetail: one scratch
  // format a thread.
  thread_local const std::unique_ptr<hvcnFormat> scratch = std::make_unique<hvcnFormat>();
  const std::string copy(text);
  int32_t kind = hvcnKIND_NONE;
  if (hvcnClassifyAddress(copy.c_str(), scratch.get(), flags, &kind) != hvcnSUCCESS) return hvcnKIND_NONE;
  return kind;
}

const char* KindName(int32_t kind) {
  for (const auto& row : kKindNames)
    if (row.kind == kind) return row.name;
  return nullptr;
}

std::string Hint(const char* command, int32_t kind, std::string_view text) {
  for (const auto& row : kHints)
    if (row.kind == kind && std::strcmp(row.command, command) == 0)
      return Format(row.hint, ShellQuote(text, true).c_str());
  return std::string();
}

std::string ExplainName(const char* command, const hvcnFormat& failed, int32_t status, uint32_t flags,
                        std::string_view name, uint32_t* column) {
  std::string hint = Hint(command, KindOf(name), name);
  if (!hint.empty()) {
    *column = 0;
    return hint;
  }
  const std::string text(name);
  return Explanation(failed, status, hvcnEXPLAIN_NAME, flags, text.c_str(), column);
}

}  // namespace cli
