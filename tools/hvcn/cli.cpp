#include "cli.h"

#include <cstdarg>
#include <algorithm>
#include <cstring>

#include "explain.h"
#include "hvcn.h"

namespace cli {
namespace {

const char* g_command = "";

std::string VFormat(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  const int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(n));
  return text;
}

std::string Prefix() { return *g_command ? std::string("hvcn: ") + g_command + ": " : std::string("hvcn: "); }

// One option as the usage shows it: "[--format F]".
std::string UsageWord(const Option& option) {
  std::string word = option.name;
  if (option.value) word += std::string(" ") + option.value;
  return option.required ? word : "[" + word + "]";
}

}  // namespace

bool Invocation::Has(std::string_view name) const {
  for (const auto& [option, value] : options_)
    if (option == name) return true;
  return false;
}

const char* Invocation::Value(std::string_view name) const {
  const char* found = nullptr;
  for (const auto& [option, value] : options_)
    if (option == name) found = value;
  return found;
}

int Command::Parse(int argc, char** argv, Invocation* out) const {
  out->command_ = name;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    bool negativeNumber = arg.size() >= 2 && arg[0] == '-' && arg[1] >= '0' && arg[1] <= '9';
    if (optionsEnded || arg.size() < 2 || arg[0] != '-' || negativeNumber) {
      out->positional_.push_back(argv[i]);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string_view given = arg;
    const char* inlineValue = nullptr;
    if (auto eq = arg.find('='); eq != std::string_view::npos && arg.starts_with("--")) {
      given = arg.substr(0, eq);
      inlineValue = argv[i] + eq + 1;
    }
    if (given == "--help" || given == "-h") {
      out->options_.emplace_back("--help", nullptr);
      continue;
    }
    const Option* match = nullptr;
    for (const auto& option : options)
      if (given == option.name || (option.alias && given == option.alias)) match = &option;
    if (!match) {
      std::vector<std::string> known;
      for (const auto& option : options) known.push_back(option.name);
      Error("unknown option '%.*s'%s (see 'hvcn %s --help')", static_cast<int>(given.size()), given.data(),
            DidYouMean(given, known).c_str(), name);
      return kUsage;
    }
    const char* value = nullptr;
    if (match->value) {
      if (inlineValue) {
        value = inlineValue;
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        Error("option %s needs a value %s", match->name, match->value);
        return kUsage;
      }
    } else if (inlineValue) {
      Error("option %s takes no value", match->name);
      return kUsage;
    }
    out->options_.emplace_back(match->name, value);
  }
  return 0;
}

std::string Command::Usage(size_t width, size_t indent) const {
  std::vector<std::string> words;
  for (const auto& option : options) words.push_back(UsageWord(option));
  if (arguments && *arguments) words.push_back(arguments);
  std::string out = std::string("hvcn ") + name;
  size_t column = out.size() + indent;
  const size_t hang = out.size() + 1 + indent;
  for (const auto& word : words) {
    if (width && column + 1 + word.size() > width) {
      out += "\n" + std::string(hang, ' ') + word;
      column = hang + word.size();
    } else {
      out += " " + word;
      column += 1 + word.size();
    }
  }
  return out;
}

void Command::PrintHelp(FILE* out) const {
  std::fprintf(out, "usage: %s\n\n%s\n", Usage(79, 7).c_str(), summary);
  if (!options.empty()) {
    std::fprintf(out, "\noptions:\n");
    for (const auto& option : options) {
      std::string left = option.alias ? std::string(option.alias) + ", " + option.name : option.name;
      if (option.value) left += std::string(" ") + option.value;
      if (left.size() > 22) std::fprintf(out, "  %s\n%25s", left.c_str(), "");
      else std::fprintf(out, "  %-22s ", left.c_str());
      WriteWrapped(out, option.help, 79, 25, 25);
    }
  }
  if (details && *details) std::fprintf(out, "\n%s", details);
}

// Writes text wrapped after `width` columns, the lines after the first
// indented by `indent`; the first starts at column `first`, which the
// caller has filled.
void WriteWrapped(FILE* out, std::string_view text, size_t width, size_t indent, size_t first) {
  size_t column = first;
  bool lineStart = true;
  while (!text.empty()) {
    const size_t blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    if (word.empty()) continue;
    if (!lineStart && column + 1 + word.size() > width) {
      std::fprintf(out, "\n%*s", static_cast<int>(indent), "");
      column = indent;
      lineStart = true;
    }
    if (!lineStart) {
      std::fputc(' ', out);
      ++column;
    }
    std::fwrite(word.data(), 1, word.size(), out);
    column += word.size();
    lineStart = false;
  }
  std::fputc('\n', out);
}

namespace {

// The Damerau-Levenshtein distance of two words, letter case ignored.
size_t Distance(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

}  // namespace

std::string Nearest(std::string_view word, const std::vector<std::string>& candidates) {
  const size_t allowed = word.size() >= 6 ? 2 : 1;
  std::string best;
  size_t bestDistance = allowed + 1;
  for (const std::string& candidate : candidates) {
    const size_t distance = Distance(word, candidate);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  return best;
}

std::string DidYouMean(std::string_view word, const std::vector<std::string>& candidates) {
  const std::string nearest = Nearest(word, candidates);
  return nearest.empty() ? std::string() : " (did you mean '" + nearest + "'?)";
}

void SetCommandName(const char* name) { g_command = name ? name : ""; }

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormat(format, args);
  va_end(args);
  return text;
}

void AppendMessage(std::string& err, const char* format, ...) {
  va_list args;
  va_start(args, format);
  err += Prefix() + VFormat(format, args) + "\n";
  va_end(args);
}

void Error(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string line = Prefix() + VFormat(format, args) + "\n";
  va_end(args);
  std::fflush(stdout);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

std::string StatusText(int status) {
  char text[512];
  hvcnGetErrorText(status, text, sizeof text);
  return text;
}

bool ReadyFormat(const char* formatString, hvcnFormat* format) {
  const int32_t status = hvcnParseFormatString(formatString, format);
  if (status == hvcnSUCCESS) return true;
  FormatStringRefused(formatString ? formatString : "(the configured default)", *format, status);
  return false;
}

void FormatStringRefused(const char* shown, const hvcnFormat& format, int32_t status) {
  const std::string why = Explanation(format, status, hvcnEXPLAIN_FORMAT_STRING, 0, nullptr);
  Error("format string %s: %d: %s%s%s%s%s", shown, status, StatusText(status).c_str(), format.errorDetail[0] ? " " : "",
        format.errorDetail, why.empty() ? "" : " ", why.c_str());
}

}  // namespace cli
