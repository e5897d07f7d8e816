// hvcn version (and --version), hvcn error: the versions of the tool and
// the library, and the status texts.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli.h"
#include "commands.h"
#include "hvcn.h"
#include "result.h"
#include "text.h"

namespace {

// The package version a library version text stands for: "X.05.20.01" is
// 5.20.1; "" when the text has another form.
std::string PackageVersion(const std::string& text) {
  if (text.size() != 10 || text.compare(0, 2, "X.") != 0 || text[4] != '.' || text[7] != '.') return std::string();
  std::string out;
  for (size_t at : {2u, 5u, 8u}) {
    if (text[at] < '0' || text[at] > '9' || text[at + 1] < '0' || text[at + 1] > '9') return std::string();
    out += (out.empty() ? "" : ".") + std::to_string((text[at] - '0') * 10 + (text[at + 1] - '0'));
  }
  return out;
}

struct Versions {
  std::string library;  // "X.05.20.01"
  std::string package;  // "5.20.1"
  uint16_t interfaceNumber = 0;
};

Versions LibraryVersions() {
  char text[32] = "";
  Versions v;
  hvcnVersion(text, sizeof text, &v.interfaceNumber);
  v.library = text;
  v.package = PackageVersion(v.library);
  return v;
}

constexpr cli::Option kVersionOptions[] = {
    {"--json", nullptr, "print one JSON object"},
};

// Neither command has an input or a status of its own in its objects.
constexpr cli::Shape kPlainShape{nullptr, false, false, false};

int RunVersion(const cli::Invocation& args) {
  const bool json = args.Has("--json");
  cli::Results results;
  cli::Result& r = results.Add();
  if (json) {
    const Versions v = LibraryVersions();
    r.Field("version", v.library);
    r.Number("interface", v.interfaceNumber);
    r.Field("package", v.package);
    r.Field("tool", HVCN_TOOL_VERSION);
    r.Field("library", HVCN_LIBRARY_FILE);
  } else {
    r.text += VersionLine() + "\n";
  }
  return cli::WriteResults(cli::ResultWriter(kPlainShape, json), results);
}

constexpr cli::Option kErrorOptions[] = {
    {"--json", nullptr, "print one JSON object per code"},
};

int RunError(const cli::Invocation& args) {
  const auto& codes = args.Positional();
  if (codes.empty()) {
    cli::Error("give one or more status codes (see 'hvcn error --help')");
    return cli::kUsage;
  }
  const bool json = args.Has("--json");
  cli::Results results;
  for (const char* code : codes) {
    char* end = nullptr;
    long value = std::strtol(code, &end, 0);
    if (end == code || *end != '\0') {
      cli::Error("'%s' is not a number", code);
      return cli::kUsage;
    }
    char text[512];
    const bool known = hvcnGetErrorText(static_cast<int32_t>(value), text, sizeof text) == hvcnSUCCESS;
    cli::Result& r = results.Add();
    r.failed = !known;
    if (json) {
      r.Number("code", value);
      r.Bool("known", known);
      r.Field("text", text);
    } else {
      r.text += std::to_string(value) + ": " + text + "\n";
    }
  }
  return cli::WriteResults(cli::ResultWriter(kPlainShape, json), results);
}

}  // namespace

std::string VersionLine() {
  const Versions v = LibraryVersions();
  std::string line = std::string("hvcn ") + HVCN_TOOL_VERSION + " (library " + v.library;
  if (v.package == HVCN_TOOL_VERSION) line += ", that is package " + v.package;
  else line += ", that is package " + (v.package.empty() ? std::string("unknown") : v.package) + ", not the tool's";
  line += "; interface " + std::to_string(v.interfaceNumber) + "; " + HVCN_LIBRARY_FILE + ")";
  return line;
}

const cli::Command kVersionCommand = {
    "version",
    "Print the versions of the tool and the library (also: hvcn --version).",
    "",
    "The library's version text X.05.20.01 is the package version 5.20.1 written\n"
    "the library's way; the interface number is the one hvcnVersion reports; the\n"
    "library file is named after its ABI (the SONAME libhvcn.so.1 on Linux), which\n"
    "changes only when a program built against an earlier version would break.\n\n"
    "example:\n  $ hvcn version\n"
    "  hvcn 5.20.1 (library X.05.20.01, that is package 5.20.1; interface 104; libhvcn.so.1)\n",
    kVersionOptions,
    RunVersion,
};

const cli::Command kErrorCommand = {
    "error",
    "Print the text of status codes in the language of the loaded resource library.",
    "CODE...",
    "A code is written in C notation (decimal, 0x hexadecimal, a leading 0 for\n"
    "octal). A code without a text of its own prints the general text and makes\n"
    "the exit status 1.\n\n"
    "examples:\n  $ hvcn error 3\n  3: One or more of the parameters is not valid.\n"
    "  $ LANG=it_IT.UTF-8 hvcn error 0   (with tarnresIT installed)\n",
    kErrorOptions,
    RunError,
};
