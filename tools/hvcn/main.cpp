// hvcn: the command-line tool over the hvcn library.
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "commands.h"

#if defined(_WIN32)
#include <io.h>
#define HVCN_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define HVCN_ISATTY(fd) isatty(fd)
#endif

namespace {

// Every subcommand, in the order the help lists them.
const cli::Command* const kCommands[] = {
    &kParseCommand,
    &kFormatCommand,
    &kTranslateCommand,
    &kAttrCommand,
    &kValidateCommand,
    &kTokensCommand,
    &kRsListCommand,
    &kErrorCommand,
    &kInternetCommand,
    &kOrNameCommand,
    &kVersionCommand,
};

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: hvcn COMMAND [OPTIONS] [ARGUMENTS]\n\n"
               "Reads, checks, writes and converts X.400 recipient names.\n\ncommands:\n");
  for (const auto* command : kCommands) std::fprintf(out, "  %-10s %s\n", command->name, command->summary);
  std::fprintf(out, "\n'hvcn COMMAND --help' shows a command's options and examples.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(HVCN_ISATTY(0) ? stdout : stderr);
    return HVCN_ISATTY(0) ? cli::kOk : cli::kUsage;
  }
  const char* name = argv[1];
  if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 ||
      std::strcmp(name, "help") == 0) {
    if (argc > 2) {
      for (const auto* command : kCommands)
        if (std::strcmp(argv[2], command->name) == 0) {
          cli::PrintHelp(*command, stdout);
          return cli::kOk;
        }
    }
    PrintUsage(stdout);
    return cli::kOk;
  }
  for (const auto* command : kCommands) {
    if (std::strcmp(name, command->name) != 0) continue;
    cli::Invocation args;
    if (int status = cli::Parse(argc - 2, argv + 2, command->options, &args, command->name))
      return status;
    if (args.Has("--help")) {
      cli::PrintHelp(*command, stdout);
      return cli::kOk;
    }
    return command->run(args);
  }
  cli::Error("unknown command '%s' (see 'hvcn --help')", name);
  return cli::kUsage;
}
