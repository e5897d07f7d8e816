// The tool's own help: the command list and the sections of hvcn --help,
// which are also the text of the man page hvcn(1) and the source of the
// bash completion.
#pragma once

#include <cstdio>
#include <span>

#include "cli.h"

namespace cli {

// Every subcommand, in the order the help lists them.
std::span<const Command* const> Commands();

// The options hvcn itself takes (before a command).
std::span<const Option> GlobalOptions();

// A section of the general help: a paragraph and a list of terms.
struct HelpItem {
  const char* term;
  const char* text;
};
struct HelpSection {
  const char* title;
  const char* text;
  std::span<const HelpItem> items;
};
std::span<const HelpSection> HelpSections();

// The one-line description of the tool.
extern const char* const kToolSummary;

// hvcn --help.
void PrintGeneralHelp(FILE* out);
// The man page hvcn(1) (roff) and the bash completion script.
void WriteManPage(FILE* out);
void WriteBashCompletion(FILE* out);

}  // namespace cli
