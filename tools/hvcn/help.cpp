#include "help.h"

#include <cstring>
#include <string>
#include <string_view>

#include "attributes.h"
#include "commands.h"

namespace cli {
namespace {

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

const Command* const kCommands[] = {
    &kParseCommand, &kFormatCommand, &kTranslateCommand, &kAttrCommand, &kValidateCommand, &kAttributesCommand,
    &kTokensCommand, &kRsListCommand, &kErrorCommand, &kInternetCommand, &kOrNameCommand, &kReadCommand, &kCertCommand,
    &kAmhsCommand, &kVersionCommand,
};

constexpr Option kGlobalOptions[] = {
    {"--help", nullptr, "this help; 'hvcn COMMAND --help' shows a command's options and examples", nullptr, false,
     "-h"},
    {"--version", nullptr, "the versions of the tool and the library, on one line", nullptr, false, "-V"},
};

constexpr HelpItem kExitItems[] = {
    {"0", "every input was handled"},
    {"1", "some input failed: a name not read, a value rejected, a translation that failed, a code without a "
          "text, a name that is no mailbox, an address not read, written or converted, a certificate entry not "
          "read; a bad format string, a mapping or AMHS table file or a certificate file that cannot be read or "
          "is bad; standard output that could not take the output; no memory left"},
    {"2", "usage error: unknown command or option, a missing option value, a missing or bad argument"},
};

constexpr HelpItem kEnvironmentItems[] = {
    {"LC_ALL, LC_MESSAGES, LANG", "the language of the status texts (the first one set): it_IT.UTF-8 is Italian, "
                                  "C, POSIX or none English"},
    {"HVCN_PROFILE_DIR", "the folder of the profile TNUAL.INI (default: /etc)"},
    {"HVCN_LOG_DIR", "the folder of the library's trace log; else $XDG_STATE_HOME/hvcn, else "
                     "$HOME/.local/state/hvcn (made when the first line is written); with none of them set no "
                     "log is written. Nothing is written in the current folder"},
    {"HVCN_REGISTRY", "a REGEDIT4 file that stands for the Windows registry (the Office language)"},
};

constexpr HelpItem kFileItems[] = {
    {"TNUAL.INI", "the profile, section [NameParsing]: LogLevel, LogFile, DefaultFormat and the other settings"},
    {"tnname.log", "the trace log (LogFile), in the log folder; an absolute LogFile is used as it stands"},
    {"tarnres.so, tarnresIT.so", "the English and Italian texts, beside libhvcn.so; the tool warns when the one "
                                 "looked for is missing"},
};

constexpr HelpSection kSections[] = {
    {"batch mode",
     "parse, format, translate, internet, orname, read and amhs read their inputs from standard input, one a line, when none is "
     "given on the command line (a final carriage return is dropped). The results come out in the order of the "
     "input, one line (or one JSON object) each. Standard input that is no terminal is read, and the results "
     "written, in large blocks; --jobs N shares the work among N threads (default: one per processor) and gives "
     "the same output. Inputs are read as UTF-8: a line that is not gets a warning on standard error, and "
     "--input-encoding cp1252 (or latin1) converts it.",
     {}},
    {"json output",
     "With --json each result is one line of strict JSON. A text that is not UTF-8 has U+FFFD for each bad "
     "byte and, beside it, the same field with Hex added to its name holding its bytes (nameHex, valueHex...), "
     "so the input can be recovered.",
     {}},
    {"exit status", "", kExitItems},
    {"environment", "", kEnvironmentItems},
    {"files", "", kFileItems},
};

// Text for roff: backslashes, minus signs and leading dots escaped,
// characters beyond ASCII as \[uXXXX].
std::string Roff(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else if ((c == '.' || c == '\'') && (out.empty() || out.back() == '\n')) {
      out += "\\&";
      out += static_cast<char>(c);
    } else if (c >= 0xC0 && i + 1 < text.size()) {
      const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
      uint32_t code = c & (0x7F >> length);
      for (size_t k = 1; k < length && i + 1 < text.size(); ++k) code = (code << 6) | (text[++i] & 0x3F);
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "\\[u%04X]", static_cast<unsigned>(code));
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// A command's details as roff: paragraphs as text, indented lines as
// preformatted examples.
void RoffDetails(FILE* out, std::string_view details) {
  bool inExample = false;
  while (!details.empty()) {
    const size_t newline = details.find('\n');
    const std::string_view line = details.substr(0, newline);
    details = newline == std::string_view::npos ? std::string_view() : details.substr(newline + 1);
    const bool example = line.starts_with("  ");
    if (example != inExample) {
      std::fputs(example ? ".PP\n.RS 4\n.nf\n" : ".fi\n.RE\n", out);
      inExample = example;
    }
    if (line.empty()) {
      if (!inExample) std::fputs(".PP\n", out);
      continue;
    }
    std::fprintf(out, "%s\n", Roff(example ? line.substr(2) : line).c_str());
  }
  if (inExample) std::fputs(".fi\n.RE\n", out);
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

void RoffOption(FILE* out, const Option& option) {
  std::string term = "\\fB" + Roff(option.name) + "\\fR";
  if (option.alias) term = "\\fB" + Roff(option.alias) + "\\fR, " + term;
  if (option.value) term += " \\fI" + Roff(option.value) + "\\fR";
  std::fprintf(out, ".TP\n%s\n%s\n", term.c_str(), Roff(option.help).c_str());
}

}  // namespace

const char* const kToolSummary = "reads, checks, writes and converts X.400 recipient names";

std::span<const Command* const> Commands() { return kCommands; }

void PrintGeneralHelp(FILE* out) {
  std::fprintf(out, "usage: hvcn COMMAND [OPTIONS] [ARGUMENTS]\n       hvcn --help | --version\n\n");
  WriteWrapped(out, std::string("hvcn ") + kToolSummary + " with the hvcn library.", 79, 0, 0);
  std::fprintf(out, "\ncommands:\n");
  for (const Command* command : kCommands) {
    std::fprintf(out, "  %-10s ", command->name);
    WriteWrapped(out, command->summary, 79, 13, 13);
  }
  std::fprintf(out, "\noptions:\n");
  for (const Option& option : kGlobalOptions) {
    std::fprintf(out, "  %-14s ", (std::string(option.alias) + ", " + option.name).c_str());
    WriteWrapped(out, option.help, 79, 17, 17);
  }
  for (const HelpSection& section : kSections) {
    std::fprintf(out, "\n%s:\n", section.title);
    if (*section.text) {
      std::fputs("  ", out);
      WriteWrapped(out, section.text, 79, 2, 2);
    }
    for (const HelpItem& item : section.items) {
      if (std::strlen(item.term) > 16) std::fprintf(out, "  %s\n%19s", item.term, "");
      else std::fprintf(out, "  %-16s ", item.term);
      WriteWrapped(out, item.text, 79, 19, 19);
    }
  }
}

void WriteManPage(FILE* out) {
  std::fprintf(out, ".\\\" The manual page of hvcn, made by 'hvcn help --roff' from the tool's help.\n");
  std::fprintf(out, ".TH HVCN 1 \"\" \"hvcn %s\" \"User Commands\"\n", Roff(HVCN_TOOL_VERSION).c_str());
  std::fprintf(out, ".SH NAME\nhvcn \\- %s\n", Roff(kToolSummary).c_str());
  std::fprintf(out, ".SH SYNOPSIS\n.B hvcn\n\\fICOMMAND\\fR [\\fIOPTIONS\\fR] [\\fIARGUMENTS\\fR]\n.br\n");
  std::fprintf(out, ".B hvcn\n\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n");
  std::fprintf(out, ".SH DESCRIPTION\n\\fBhvcn\\fR %s with the hvcn library, one command for each of its tasks:\n",
               Roff(kToolSummary).c_str());
  for (const Command* command : kCommands)
    std::fprintf(out, ".TP\n\\fB%s\\fR\n%s\n", Roff(command->name).c_str(), Roff(command->summary).c_str());
  std::fprintf(out, ".SH OPTIONS\n");
  for (const Option& option : kGlobalOptions) RoffOption(out, option);
  std::fprintf(out, ".SH COMMANDS\n");
  for (const Command* command : kCommands) {
    std::fprintf(out, ".SS %s\n.nf\n%s\n.fi\n.PP\n%s\n", Roff(command->name).c_str(), Roff(command->Usage(78)).c_str(),
                 Roff(command->summary).c_str());
    for (const Option& option : command->options) RoffOption(out, option);
    if (command->details && *command->details) {
      std::fputs(".PP\n", out);
      RoffDetails(out, command->details);
    }
  }
  for (const HelpSection& section : kSections) {
    std::fprintf(out, ".SH %s\n", Roff(Upper(section.title)).c_str());
    if (*section.text) std::fprintf(out, "%s\n", Roff(section.text).c_str());
    for (const HelpItem& item : section.items)
      std::fprintf(out, ".TP\n\\fB%s\\fR\n%s\n", Roff(item.term).c_str(), Roff(item.text).c_str());
  }
  std::fprintf(out, ".SH SEE ALSO\nThe reference pages of the library in the documentation folder of the package "
                    "(share/doc/hvcn/docs), tool.md among them, and the README beside them.\n");
}

void WriteBashCompletion(FILE* out) {
  std::fprintf(out, "# bash completion for hvcn, made by 'hvcn help --bash-completion' from the tool's help.\n");
  std::fprintf(out, "_hvcn() {\n  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n");
  std::string commands;
  for (const Command* command : kCommands) commands += std::string(command->name) + " ";
  std::fprintf(out, "  local commands='%shelp'\n", commands.c_str());
  std::fprintf(out, "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n");
  std::fprintf(out, "    COMPREPLY=($(compgen -W \"$commands --help --version\" -- \"$cur\"))\n    return\n  fi\n");
  std::fprintf(out, "  local options='' values='' words=''\n  case ${COMP_WORDS[1]} in\n");
  std::fprintf(out, "    help) COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\")); return ;;\n");
  for (const Command* command : kCommands) {
    std::string options, values;
    for (const Option& option : command->options) {
      options += std::string(option.name) + " ";
      if (!option.value) continue;
      // The values an option takes; nothing to offer for a free value.
      const std::string pattern = option.alias ? Format("%s|%s", option.name, option.alias) : option.name;
      if (option.choices) values += Format("        %s) values='%s' ;;\n", pattern.c_str(), option.choices);
      else if (option.file) values += Format("        %s) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n", pattern.c_str());
      else values += Format("        %s) return ;;\n", pattern.c_str());
    }
    std::fprintf(out, "    %s)\n      options='%s--help'\n", command->name, options.c_str());
    if (command->completes == Arguments::Attributes) {
      // The attribute names and tags (and the value classes validate takes).
      std::string words;
      for (const std::string& word : AttributeWords()) words += word + " ";
      std::fprintf(out, "      words='%snumeric printable string teletex'\n", words.c_str());
    }
    if (!values.empty()) std::fprintf(out, "      case $prev in\n%s      esac\n", values.c_str());
    std::fprintf(out, "      ;;\n");
  }
  std::fprintf(out, "  esac\n");
  std::fprintf(out, "  if [ -n \"$values\" ]; then\n    COMPREPLY=($(compgen -W \"$values\" -- \"$cur\"))\n");
  std::fprintf(out, "  elif [[ $cur == -* ]]; then\n    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n");
  std::fprintf(out, "  elif [ -n \"$words\" ]; then\n    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n");
  std::fprintf(out, "  else\n    COMPREPLY=($(compgen -f -- \"$cur\"))\n  fi\n}\ncomplete -F _hvcn hvcn\n");
}

}  // namespace cli
