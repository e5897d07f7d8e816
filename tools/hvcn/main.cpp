// hvcn: the command-line tool over the hvcn library.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cli.h"
#include "commands.h"
#include "help.h"
#include "hvcn.h"
#include "result.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#define HVCN_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define HVCN_ISATTY(fd) isatty(fd)
#endif

namespace {

// Says so when the texts do not come from the resource library looked for
// first: none was found (the library's own Italian texts answer), or one
// of another language stood in.
void WarnAboutResources() {
  char names[1024] = "";
  char folder[1024] = "";
  const int32_t status = hvcnGetResourceLibrary(names, sizeof names, folder, sizeof folder);
  std::string list;
  std::string first, last;
  for (const char* p = names; *p;) {
    const char* end = std::strchr(p, ':');
    const std::string name = end ? std::string(p, end) : std::string(p);
    if (first.empty()) first = name;
    last = name;
    if (list.find(name) == std::string::npos) list += (list.empty() ? "" : ", ") + name;
    p = end ? end + 1 : p + name.size();
  }
  if (status == hvcnERR_NO_VALUE)
    cli::Error("warning: no language resource library was found: looked for %s in %s; the texts are the "
               "library's built-in Italian ones",
               list.c_str(), folder);
  else if (status == hvcnSUCCESS && first != last)
    cli::Error("warning: %s was not found in %s; the texts come from %s", first.c_str(), folder, last.c_str());
}

}  // namespace

namespace {

void UnknownCommand(const char* name) {
  std::vector<std::string> known;
  for (const cli::Command* command : cli::Commands()) known.push_back(command->name);
  cli::Error("unknown command '%s'%s (see 'hvcn --help')", name, cli::DidYouMean(name, known).c_str());
}

// The command line after the start-up: a help text, the version line or a
// command. Returns the exit status; what went to standard output is flushed
// by the caller.
int Dispatch(int argc, char** argv) {
  if (argc < 2) {
    const bool terminal = HVCN_ISATTY(0);
    cli::PrintGeneralHelp(terminal ? stdout : stderr);
    return terminal ? cli::kOk : cli::kUsage;
  }
  const char* name = argv[1];
  if (std::strcmp(name, "--version") == 0 || std::strcmp(name, "-V") == 0) {
    std::printf("%s\n", VersionLine().c_str());
    return cli::kOk;
  }
  if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 || std::strcmp(name, "help") == 0) {
    if (argc > 2 && std::strcmp(argv[2], "--roff") == 0) {
      cli::WriteManPage(stdout);
      return cli::kOk;
    }
    if (argc > 2 && std::strcmp(argv[2], "--bash-completion") == 0) {
      cli::WriteBashCompletion(stdout);
      return cli::kOk;
    }
    if (argc > 2) {
      for (const cli::Command* command : cli::Commands())
        if (std::strcmp(argv[2], command->name) == 0) {
          command->PrintHelp(stdout);
          return cli::kOk;
        }
      UnknownCommand(argv[2]);
      return cli::kUsage;
    }
    cli::PrintGeneralHelp(stdout);
    return cli::kOk;
  }
  for (const cli::Command* command : cli::Commands()) {
    if (std::strcmp(name, command->name) != 0) continue;
    cli::SetCommandName(command->name);
    cli::Invocation args;
    if (int status = command->Parse(argc - 2, argv + 2, &args)) return status;
    if (args.Has("--help")) {
      command->PrintHelp(stdout);
      return cli::kOk;
    }
    if (command != &kVersionCommand) WarnAboutResources();
    return command->run(args);
  }
  UnknownCommand(name);
  return cli::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Names are bytes: no end-of-file at a SUB byte, no CR LF turned into LF
  // (a console keeps its Ctrl-Z for the end of what is typed).
  if (!HVCN_ISATTY(0)) _setmode(_fileno(stdin), _O_BINARY);
#endif
  // Whatever the command wrote, standard output that could not take it is
  // a failure.
  try {
    return cli::FinishOutput(Dispatch(argc, argv));
  } catch (const std::bad_alloc&) {
    cli::Error("out of memory");
    return cli::kFailed;
  }
}
