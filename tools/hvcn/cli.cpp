#include "cli.h"

#include <cstdarg>
#include <cstring>
#include <iostream>

#include "hvcn.h"

namespace cli {

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

int Parse(int argc, char** argv, std::span<const Option> options, Invocation* out,
          const char* command) {
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
    std::string_view name = arg;
    const char* inlineValue = nullptr;
    if (auto eq = arg.find('='); eq != std::string_view::npos && arg.starts_with("--")) {
      name = arg.substr(0, eq);
      inlineValue = argv[i] + eq + 1;
    }
    if (name == "--help" || name == "-h") {
      out->options_.emplace_back("--help", nullptr);
      continue;
    }
    const Option* match = nullptr;
    for (const auto& option : options)
      if (name == option.name) match = &option;
    if (!match) {
      Error("%s: unknown option '%.*s' (see 'hvcn %s --help')", command,
            static_cast<int>(name.size()), name.data(), command);
      return kUsage;
    }
    const char* value = nullptr;
    if (match->value) {
      if (inlineValue) {
        value = inlineValue;
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        Error("%s: option %s needs a value %s", command, match->name, match->value);
        return kUsage;
      }
    } else if (inlineValue) {
      Error("%s: option %s takes no value", command, match->name);
      return kUsage;
    }
    out->options_.emplace_back(match->name, value);
  }
  return 0;
}

void PrintHelp(const Command& command, FILE* out) {
  std::fprintf(out, "usage: %s\n\n%s\n", command.usage, command.summary);
  if (!command.options.empty()) {
    std::fprintf(out, "\noptions:\n");
    for (const auto& option : command.options) {
      std::string left = option.name;
      if (option.value) left += std::string(" ") + option.value;
      std::fprintf(out, "  %-22s %s\n", left.c_str(), option.help);
    }
  }
  if (command.details && *command.details) std::fprintf(out, "\n%s", command.details);
}

void Error(const char* format, ...) {
  std::fflush(stdout);
  std::fputs("hvcn: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
}

void AppendJson(std::string& out, std::string_view text) {
  out += '"';
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

std::string StatusText(int status) {
  char text[512];
  hvcnGetErrorText(status, text, sizeof text);
  return text;
}

std::string ShowControls(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  static const struct {
    const char* name;
    char byte;
  } kNames[] = {{"<GS>", '\x1d'}, {"<RS>", '\x1e'}, {"<ETB>", '\x17'}, {"<SUB>", '\x1a'},
                {"<US>", '\x1f'}};
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && hex(text[i + 2]) >= 0 &&
        hex(text[i + 3]) >= 0) {
      out += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
      i += 4;
      continue;
    }
    bool named = false;
    for (const auto& entry : kNames) {
      if (text.substr(i).starts_with(entry.name)) {
        out += entry.byte;
        i += std::strlen(entry.name);
        named = true;
        break;
      }
    }
    if (!named) out += text[i++];
  }
  return out;
}

bool Inputs::Next(std::string* item) {
  if (!positional_.empty()) {
    if (index_ >= positional_.size()) return false;
    *item = positional_[index_++];
    return true;
  }
  if (!std::getline(std::cin, *item)) return false;
  if (!item->empty() && item->back() == '\r') item->pop_back();
  return true;
}

}  // namespace cli
