// The playground's binding: runs one command of the hvcn tool, compiled to
// WebAssembly with the library, the way a shell runs it, and leaves what the
// command wrote on standard output and standard error in two files of the
// page's in-memory file system. The page asks for --json and reads the
// tool's own objects, so nothing here builds a result or writes JSON.
#include <emscripten/emscripten.h>

#include <cstdio>

#include "cli.h"

// The tool's main (tools/hvcn/main.cpp), renamed for this build.
int hvcnToolMain(int argc, char** argv);

namespace {

constexpr const char* kOutput = "/tmp/hvcn.out";
constexpr const char* kErrors = "/tmp/hvcn.err";

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
  const int status = hvcnToolMain(argc, argv);
  std::fflush(stdout);
  std::fflush(stderr);
  return status;
}
