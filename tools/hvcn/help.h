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

// The one-line description of the tool.
extern const char* const kToolSummary;

// hvcn --help.
void PrintGeneralHelp(FILE* out);
// The man page hvcn(1) (roff) and the bash completion script.
void WriteManPage(FILE* out);
void WriteBashCompletion(FILE* out);

}  // namespace cli
