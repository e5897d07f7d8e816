// The playground's binding: runs one command, the way a shell runs the hvcn
// tool - one of the tool's own (its main, compiled to WebAssembly with the
// library) or the page's own (web_commands.h) - and leaves what it wrote
// on standard output and standard error in two files of the page's
// in-memory file system. The page asks for --json and reads the objects the
// tool's result writer made, so nothing here writes JSON.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstring>

#include "cli.h"
#include "result.h"
#include "web_commands.h"

// The tool's main (tools/hvcn/main.cpp), renamed for this build.
int hvcnToolMain(int argc, char** argv);

namespace {

constexpr const char* kOutput = "/tmp/hvcn.out";
constexpr const char* kErrors = "/tmp/hvcn.err";

// A command of the page's, by name: its options parsed as the tool parses
// its own.
int RunWebCommand(const cli::Command& command, int argc, char** argv) {
  cli::SetCommandName(command.name);
  cli::Invocation args;
  if (const int status = command.Parse(argc - 2, argv + 2, &args)) return status;
  return cli::FinishOutput(command.run(args));
}

}  // namespace

// Runs `hvcn argv[1] ...` (argv[0] is the program's name) and returns its
// exit status; standard input is empty, so a command without an input
// argument reads nothing. The output files are rewritten on each run.
extern "C" EMSCRIPTEN_KEEPALIVE int hvcnWebRun(int argc, char** argv) {
  if (!std::freopen("/dev/null", "r", stdin) || !std::freopen(kOutput, "w", stdout) ||
      !std::freopen(kErrors, "w", stderr))
    return 70;  // EX_SOFTWARE: the page has no files to read
  // A process runs one command: what the last run named goes.
  cli::SetCommandName("");
  int status = -1;
  if (argc >= 2)
    for (const cli::Command* command : {&kWebInternalCommand})
      if (std::strcmp(argv[1], command->name) == 0) status = RunWebCommand(*command, argc, argv);
  if (status < 0) status = hvcnToolMain(argc, argv);
  std::fflush(stdout);
  std::fflush(stderr);
  return status;
}
