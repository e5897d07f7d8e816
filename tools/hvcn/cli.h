// Shared pieces of the hvcn tool: subcommand descriptions, option parsing,
// output helpers (escaped text, JSON strings) and batch input.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Exit statuses of the tool.
enum Exit : int { kOk = 0, kFailed = 1, kUsage = 2 };

struct Option {
  const char* name;    // "--format"
  const char* value;   // the value's placeholder ("F"), or nullptr for a flag
  const char* help;
};

// The parsed command line of one subcommand.
class Invocation {
 public:
  bool Has(std::string_view name) const;
  // The last value given for an option, or nullptr.
  const char* Value(std::string_view name) const;
  const std::vector<const char*>& Positional() const { return positional_; }

 private:
  friend int Parse(int argc, char** argv, std::span<const Option> options, Invocation* out,
                   const char* command);
  std::vector<std::pair<std::string_view, const char*>> options_;
  std::vector<const char*> positional_;
};

struct Command {
  const char* name;
  const char* summary;                 // one line for the command list
  const char* usage;                   // "hvcn error CODE..."
  const char* details;                 // what it does, with examples
  std::span<const Option> options;
  int (*run)(const Invocation& args);
};

// Parses argv (after the subcommand name); 0 when good, else kUsage after
// printing the error. "--" ends the options.
int Parse(int argc, char** argv, std::span<const Option> options, Invocation* out,
          const char* command);

// Prints a command's help.
void PrintHelp(const Command& command, FILE* out);

// Prints an error line "hvcn: <message>" on standard error.
void Error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends text as a JSON string literal (with quotes).
void AppendJson(std::string& out, std::string_view text);

// The library's text for a status code.
std::string StatusText(int status);

// Shows control characters (below 0x20, and 0x7F) as \xHH and a backslash
// as-is; the same form is accepted by Unescape.
std::string ShowControls(std::string_view text);
// Turns \xHH (and <GS>, <RS>, <ETB>, <SUB>, <US>) into bytes; other text
// passes unchanged, backslash escapes of typed names included.
std::string Unescape(std::string_view text);

// The inputs of a batch command: the positional arguments when there are
// any, else the lines of standard input (without CR/LF).
class Inputs {
 public:
  explicit Inputs(const std::vector<const char*>& positional) : positional_(positional) {}
  bool Next(std::string* item);

 private:
  const std::vector<const char*>& positional_;
  size_t index_ = 0;
};

}  // namespace cli
