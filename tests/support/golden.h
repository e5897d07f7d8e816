// Golden test data: one case a line, fields separated by tabs, '#' comments
// and blank lines skipped. Inside a field \t, \n, \r, \\ and \xHH stand for
// the byte, so control characters of internal names can be written.
//
// RunGolden is the one driver of every golden file: it fails a file that
// yields no rows and a row that does not parse, hands each row to a
// handler, and compares what the handler computed with the row's last
// fields. Inputs go to the library in exactly sized heap blocks (Exact) and
// outputs come back through buffers with guard bytes behind them (Guarded).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hvcn::test {

struct GoldenCase {
  std::string file;
  int line = 0;
  std::vector<std::string> fields;

  // Field i, or "" when the line has fewer fields.
  const std::string& operator[](size_t i) const;
  // "file:line" for failure messages.
  std::string Where() const;
};

// Reads tests/data/<name> (no checks: for programs that only replay data).
std::vector<GoldenCase> ReadGolden(const std::string& name);

// Computes the actual values of a row's last fields (as many as it
// returns). A handler throws (std::stoi does) on a row it cannot read.
using RowHandler = std::function<std::vector<std::string>(const GoldenCase&)>;

// Where a row's actual values go instead of being compared with the row's.
using RowSink = std::function<void(const GoldenCase&, const std::vector<std::string>&)>;

// Runs every row of tests/data/<name> whose field count lies in
// [minFields, maxFields]; any other row, a row the handler cannot read and
// a file without rows fail the test.
void RunGolden(const std::string& name, size_t minFields, size_t maxFields, const RowHandler& handler);

// The same over rows read before; with a sink, the actual values go there.
void RunRows(const std::vector<GoldenCase>& rows, size_t minFields, size_t maxFields, const RowHandler& handler,
             const RowSink& sink = {});

// The row being run on this thread (null between rows).
const GoldenCase* CurrentRow();

// Every call of the tests into the library is made through Library, so that
// a program can watch the calls: the heap test counts allocations inside.
struct CallWatch {
  void (*enter)() = nullptr;
  void (*leave)() = nullptr;
};
inline CallWatch g_callWatch;
inline thread_local uint64_t t_libraryCalls = 0;
template <typename Call>
auto Library(Call call) {
  ++t_libraryCalls;
  if (g_callWatch.enter) g_callWatch.enter();
  const auto result = call();
  if (g_callWatch.leave) g_callWatch.leave();
  return result;
}

// The rows of regressions.txt: fault name, kind, then the fields of that
// kind's golden file. Each kind's handler gets the row without the first
// two fields; a kind no handler knows fails the test.
void RunRegressions(const std::function<const RowHandler*(const std::string& kind)>& handlerOf);

// The rows of a scenario written on one line (regressions.txt's kinds script
// and startup), each ended by a field ";": each row goes to `step`, and the
// line comes back with every row's answers in place of its last fields.
std::vector<std::string> RunSteps(const GoldenCase& line, const RowHandler& step);

// An exactly sized heap copy of a text, so that a read past its NUL is
// caught by AddressSanitizer; the text "NULL" gives a null pointer.
class Exact {
 public:
  explicit Exact(const std::string& text, bool nullWord = false);
  const char* get() const { return block_.get(); }
  char* data() { return block_.get(); }

 private:
  std::unique_ptr<char[]> block_;
};

// An output buffer from its description: "N" (N bytes), "NULL" (a null pointer,
// size 0) or "NULL:N" (a null pointer, size N). It starts as fill bytes
// with `initial` and its NUL at the front, has guard bytes behind its size
// that must stay untouched, and renders as "-" when nothing in it changed.
class Guarded {
 public:
  explicit Guarded(const std::string& shape, const std::string& initial = "");
  explicit Guarded(uint32_t size) : Guarded(std::to_string(size)) {}
  ~Guarded();
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;

  char* data() { return null_ ? nullptr : bytes_.data(); }
  uint32_t size() const { return size_; }
  bool Untouched() const;
  // "-" untouched, else the text up to its NUL ("!unterminated" without one).
  std::string Text() const;
  const char* raw() const { return bytes_.data(); }

 private:
  bool null_ = false;
  uint32_t size_ = 0;
  std::vector<char> bytes_, initial_;
};

// Numbers of golden fields: decimal, or hexadecimal with 0x.
int32_t Int(const std::string& text);
std::string Hex(uint32_t value);

}  // namespace hvcn::test
