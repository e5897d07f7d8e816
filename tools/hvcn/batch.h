// The inputs of a batch command and the work on them: the positional
// arguments when there are any, else the lines of standard input. Standard
// input that is no terminal is read in large blocks of whole lines, which
// --jobs N workers (each with its own handler: its own format) take in
// turn; the results are written in the order of the input, in large
// blocks, the same bytes whatever the number of workers.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "cli.h"
#include "result.h"
#include "text.h"

namespace cli {

// The command's --input-encoding (UTF-8 when not given); false after a
// usage error.
bool ReadEncoding(const Invocation& args, Encoding* encoding);

// Readies inputs for the library: converts them to UTF-8 from the input
// encoding, or warns of a byte that is not UTF-8 (naming the byte, its
// column and the fix), and of a NUL byte, which ends the text there.
class InputText {
 public:
  explicit InputText(Encoding encoding) : encoding_(encoding) {}
  // The text to hand on, NUL-terminated, and its length in *length. The
  // warnings name the input: line `number` of standard input, or argument
  // `number`. text[*length] must be writable.
  const char* Prepare(char* text, size_t* length, size_t number, bool argument, std::string& err);

 private:
  Encoding encoding_;
  std::string converted_;
};

// A batch command's work on one input.
class Handler {
 public:
  virtual ~Handler() = default;
  // Handles one input, text[length] being its terminating NUL: adds its
  // results (one, or one per reading).
  virtual void Handle(const char* text, size_t length, Results& results) = 0;
};

// Makes the handler of one worker; null after printing why it cannot.
using HandlerMaker = std::function<std::unique_ptr<Handler>()>;

// Runs the handlers over the inputs, with the command's --jobs and
// --input-encoding, and writes their results. Returns the exit status:
// kFailed when an input failed (or a block could not be placed in the
// output file).
int RunInputs(const Invocation& args, const ResultWriter& writer, const HandlerMaker& make);

// "line 3: " for a line of standard input, "" for an argument.
std::string Where(size_t line);

}  // namespace cli
