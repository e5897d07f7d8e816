// hvcn version, hvcn error: the library's version and status texts.
#include <cstdlib>
#include <string>

#include "cli.h"
#include "commands.h"
#include "hvcn.h"

namespace {

constexpr cli::Option kJsonOnly[] = {
    {"--json", nullptr, "print one JSON object"},
};

int RunVersion(const cli::Invocation& args) {
  char text[32];
  uint16_t interfaceNumber = 0;
  hvcnVersion(text, sizeof text, &interfaceNumber);
  if (args.Has("--json")) {
    std::string out = "{\"version\":";
    cli::AppendJson(out, text);
    out += ",\"interface\":" + std::to_string(interfaceNumber) + "}";
    std::printf("%s\n", out.c_str());
  } else {
    std::printf("hvcn %s (interface %u)\n", text, interfaceNumber);
  }
  return cli::kOk;
}

int RunError(const cli::Invocation& args) {
  const auto& codes = args.Positional();
  if (codes.empty()) {
    cli::Error("error: give one or more status codes (see 'hvcn error --help')");
    return cli::kUsage;
  }
  int exitStatus = cli::kOk;
  for (const char* code : codes) {
    char* end = nullptr;
    long value = std::strtol(code, &end, 0);
    if (end == code || *end != '\0') {
      cli::Error("error: '%s' is not a number", code);
      return cli::kUsage;
    }
    char text[512];
    int status = hvcnGetErrorText(static_cast<int32_t>(value), text, sizeof text);
    if (status != hvcnSUCCESS) exitStatus = cli::kFailed;
    if (args.Has("--json")) {
      std::string out = "{\"code\":" + std::to_string(value) + ",\"known\":";
      out += status == hvcnSUCCESS ? "true" : "false";
      out += ",\"text\":";
      cli::AppendJson(out, text);
      out += "}";
      std::printf("%s\n", out.c_str());
    } else {
      std::printf("%ld: %s\n", value, text);
    }
  }
  return exitStatus;
}

}  // namespace

const cli::Command kVersionCommand = {
    "version",
    "Print the library's version text and interface number.",
    "hvcn version [--json]",
    "example:\n  $ hvcn version\n  hvcn X.05.20.01 (interface 104)\n",
    kJsonOnly,
    RunVersion,
};

const cli::Command kErrorCommand = {
    "error",
    "Print the text of status codes in the language of the loaded resource library.",
    "hvcn error [--json] CODE...",
    "A code without a text of its own prints the general text and makes the exit\n"
    "status 1.\n\n"
    "examples:\n  $ hvcn error 3\n  3: One or more of the parameters is not valid.\n"
    "  $ LANG=it_IT.UTF-8 hvcn error 0   (with tarnresIT installed)\n",
    kJsonOnly,
    RunError,
};
