// What a command makes of one input - a result: the library's status, the
// detail and explanation of a failure, the command's own fields - and the
// one writer that turns results into the command's text form or JSON
// objects, and a failure into its message on standard error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text.h"

namespace cli {

// How a command's results are written.
struct Shape {
  const char* inputKey;   // the JSON key of the input ("name", "input"...); nullptr: none
  bool status = true;     // the object holds "status", and a failure "error", "detail"...
  bool errorLine = true;  // the text form of a failure is "error N: text detail"
  bool message = true;    // the text form reports a failure on standard error too
};

// One result. Handlers fill the JSON fields only for --json and the text
// only without it; the writer adds what every command shares.
class Result {
 public:
  std::string_view input;   // what was handled, as given
  int32_t status = 0;       // the library's status: a failure when not 0
  bool failed = false;      // a failure without a status (a name that is no mailbox)
  std::string detail;       // the library's errorDetail
  std::string explanation;  // where and why the input was refused, and hints
  uint32_t column = 0;      // the column (from 1) at fault, 0 when not known
  std::string warning;      // about a result that stands (the text form's standard error)
  Buffer fields;            // the command's own JSON fields: ,"key":value ...
  Buffer text;              // the text form: whole lines

  bool Failed() const { return failed || status != 0; }
  void Clear();

  // The command's own fields, in the order the object gives them.
  void Field(const char* key, std::string_view value) { AppendJsonField(fields, key, value); }
  void Number(const char* key, int64_t value);
  void Bool(const char* key, bool value);
  void Null(const char* key);
  // ,"key": - the caller appends the value's JSON.
  Buffer& Raw(const char* key);
};

// The results of one input (parse --all gives one per reading), reused
// from input to input.
class Results {
 public:
  Result& Add();
  void Clear() { count_ = 0; }
  size_t Size() const { return count_; }
  const Result& operator[](size_t i) const { return items_[i]; }

 private:
  std::vector<Result> items_;
  size_t count_ = 0;
};

// Writes results in the command's shape: a JSON object a line with --json
// (a failure's status text, detail and explanation in it), else the text
// form, a failure also as "error N: text detail" and on standard error
// ("hvcn: COMMAND: line 3: INPUT: N: text detail explanation"), a warning
// there too ("hvcn: COMMAND: line 3: INPUT: warning: ...").
class ResultWriter {
 public:
  ResultWriter(const Shape& shape, bool json) : shape_(shape), json_(json) {}
  bool Json() const { return json_; }
  // Appends one result; `line` is its line of standard input, 0 for an
  // argument. True when it is a failure.
  bool Write(const Result& result, size_t line, Buffer& out, std::string& err) const;

 private:
  Shape shape_;
  bool json_;
};

// Writes a command's results to standard output (and messages to standard
// error) at once; returns the exit status: kFailed when a result failed,
// else kOk.
int WriteResults(const ResultWriter& writer, const Results& results);

// Flushes standard output before the tool exits: kFailed, with a message,
// when what was written could not all be written; else `status`.
int FinishOutput(int status);

}  // namespace cli
