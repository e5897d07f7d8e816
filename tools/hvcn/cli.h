// Shared pieces of the hvcn tool: subcommand and option descriptions (the
// one source of the help, the man page and the shell completion), option
// parsing and the tool's messages.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// printf-style checking of the message functions (mingw's printf is the
// C99 one the tool is built with).
#if defined(__MINGW32__)
#define HVCN_PRINTF(f, a) __attribute__((format(__MINGW_PRINTF_FORMAT, f, a)))
#else
#define HVCN_PRINTF(f, a) __attribute__((format(printf, f, a)))
#endif

struct hvcnFormat;

namespace cli {

// Exit statuses of the tool.
enum Exit : int { kOk = 0, kFailed = 1, kUsage = 2 };

struct Option {
  const char* name;                // "--format"
  const char* value = nullptr;     // the value's placeholder ("F"), or nullptr for a flag
  const char* help = "";
  const char* choices = nullptr;   // the values it takes, for completion ("1 2 3")
  bool required = false;           // shown without brackets in the usage
  const char* alias = nullptr;     // a short form ("-j")
  bool file = false;               // the value is a file's name (completion)
};

// Options several batch commands share.
inline constexpr Option kJobsOption{
    "--jobs", "N", "work on N threads (default: one per processor); the output is the same", nullptr, false, "-j"};
inline constexpr Option kEncodingOption{
    "--input-encoding", "E", "the input's encoding: utf-8 (default), cp1252 or latin1 (converted to UTF-8)",
    "utf-8 cp1252 latin1"};

// The parsed command line of one subcommand.
class Invocation {
 public:
  bool Has(std::string_view name) const;
  // The last value given for an option, or nullptr.
  const char* Value(std::string_view name) const;
  const std::vector<const char*>& Positional() const { return positional_; }
  // The command's name ("parse").
  const char* Command() const { return command_; }

 private:
  friend struct Command;
  const char* command_ = "";
  std::vector<std::pair<std::string_view, const char*>> options_;
  std::vector<const char*> positional_;
};

// What the shell completes for a command's arguments.
enum class Arguments { Files, Attributes };

struct Command {
  const char* name;
  const char* summary;    // one line for the command list
  const char* arguments;  // what follows the options in the usage: "[NAME...]"
  const char* details;    // what it does, with examples
  std::span<const Option> options;
  int (*run)(const Invocation& args);
  Arguments completes = Arguments::Files;

  // Parses argv (after the subcommand name); 0 when good, else kUsage after
  // printing the error. "--" ends the options.
  int Parse(int argc, char** argv, Invocation* out) const;
  // "hvcn parse [--format F] ... [NAME...]", wrapped after `width` columns
  // with continuation lines indented by `indent`.
  std::string Usage(size_t width = 0, size_t indent = 0) const;
  // Prints the help: usage, summary, options, details.
  void PrintHelp(FILE* out) const;
};

// Writes text wrapped after `width` columns, the lines after the first
// indented by `indent`; the first starts at column `first`, which the
// caller has filled.
void WriteWrapped(FILE* out, std::string_view text, size_t width, size_t indent, size_t first);

// The command whose messages are written ("" before one is chosen).
void SetCommandName(const char* name);

// The candidate nearest to a mistyped word (letter case ignored): at most
// one edit away for a short word, two for one of six letters or more; ""
// when none is that near.
std::string Nearest(std::string_view word, const std::vector<std::string>& candidates);

// " (did you mean 'x'?)" for the nearest candidate, or "".
std::string DidYouMean(std::string_view word, const std::vector<std::string>& candidates);

// printf into a string.
std::string Format(const char* format, ...) HVCN_PRINTF(1, 2);

// Appends "hvcn: <command>: <message>\n" to a batch's error text.
void AppendMessage(std::string& err, const char* format, ...) HVCN_PRINTF(2, 3);

// Writes "hvcn: <command>: <message>" on standard error at once.
void Error(const char* format, ...) HVCN_PRINTF(1, 2);

// The library's text for a status code.
std::string StatusText(int status);

// Readies a format with a format string (null: the configured default);
// prints why it cannot.
bool ReadyFormat(const char* formatString, hvcnFormat* format);

// Says that a format string (`shown` in the message) was refused, with the
// library's detail and explanation.
void FormatStringRefused(const char* shown, const hvcnFormat& format, int32_t status);

// Calls an export that writes a text of any length and tells the size it
// needs (hvcnFormatNameEx and its kind): `call(buffer, size, &needed)`
// writes into `buffer`, which is made as large as the size asked for when it
// is too small, and called once more. Returns the status; after success the
// text is buffer.c_str().
template <typename Call>
int32_t CallSized(std::string& buffer, Call call) {
  if (buffer.empty()) buffer.resize(256);
  uint32_t needed = 0;
  int32_t status = call(buffer.data(), static_cast<uint32_t>(buffer.size()), &needed);
  if (status == 1 /* hvcnERR_BUFFER_TOO_SMALL */ && needed > buffer.size()) {
    buffer.resize(needed);
    status = call(buffer.data(), needed, &needed);
  }
  return status;
}

}  // namespace cli
