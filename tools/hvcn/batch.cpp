#include "batch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "threads.h"

#include <sys/stat.h>

#if defined(_WIN32)
#include <io.h>
#define HVCN_ISATTY(fd) _isatty(fd)
#else
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sched.h>
#include <unistd.h>
#define HVCN_ISATTY(fd) isatty(fd)
#endif

namespace cli {

#if !defined(_WIN32)
int ProcessorCount() {
#if defined(__linux__)
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
#endif
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<int>(count) : 1;
}
#endif

namespace {

// Standard input is read in blocks of this many bytes, cut after the last
// whole line; each block is one piece of work.
constexpr size_t kBlockSize = 128 * 1024;

// The lines of standard input, in blocks of whole lines. A block is cut
// from a full read, so the blocks depend only on the input.
class BlockReader {
 public:
  // The next block and the number of its first line; false at the end.
  bool Next(std::string& block, size_t* firstLine) {
    block.swap(pending_);
    pending_.clear();
    size_t searchFrom = 0;
    for (;;) {
      if (const char* newline = LastNewline(block, searchFrom)) {
        const size_t cut = static_cast<size_t>(newline - block.data()) + 1;
        pending_.assign(block, cut, std::string::npos);
        block.resize(cut);
        break;
      }
      if (ended_) break;
      searchFrom = block.size();
      const size_t old = block.size();
      block.resize(old + kBlockSize);
      const size_t got = std::fread(block.data() + old, 1, kBlockSize, stdin);
      block.resize(old + got);
      if (got < kBlockSize) ended_ = true;
    }
    if (block.empty()) return false;
    *firstLine = nextLine_;
    const char* const end = block.data() + block.size();
    for (const char* p = block.data(); (p = static_cast<const char*>(std::memchr(p, '\n', end - p))); ++p) ++nextLine_;
    if (block.back() != '\n') ++nextLine_;
    return true;
  }

 private:
  static const char* LastNewline(const std::string& block, size_t from) {
    for (size_t i = block.size(); i > from; --i)
      if (block[i - 1] == '\n') return block.data() + i - 1;
    return nullptr;
  }

  std::string pending_;
  bool ended_ = false;
  size_t nextLine_ = 1;
};

// What a block gives: its output, its messages, whether an input failed.
struct BlockOutput {
  Buffer out;
  std::string err;
  bool failed = false;
};

// Writes a block's output, then its messages.
void Emit(BlockOutput& block, bool flush) {
  block.out.Write(stdout);
  if (!block.err.empty()) {
    std::fflush(stdout);
    std::fwrite(block.err.data(), 1, block.err.size(), stderr);
  }
  if (flush) std::fflush(stdout);
  block.out.Clear();
  block.err.clear();
}

// One worker: its handler, its input scratch and its results.
struct Worker {
  std::unique_ptr<Handler> handler;
  InputText input;
  const ResultWriter* writer;
  Results results;

  // Handles one input and writes its results.
  void One(const char* text, size_t length, size_t line, BlockOutput& block) {
    results.Clear();
    handler->Handle(text, length, results);
    for (size_t i = 0; i < results.Size(); ++i)
      if (writer->Write(results[i], line, block.out, block.err)) block.failed = true;
  }

  // Handles every line of a block (cut in place: each line ends in a NUL).
  void Block(std::string& text, size_t firstLine, BlockOutput& block) {
    char* p = text.data();
    char* const end = p + text.size();
    for (size_t line = firstLine; p < end; ++line) {
      char* newline = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      char* stop = newline ? newline : end;
      size_t length = static_cast<size_t>(stop - p);
      if (length && p[length - 1] == '\r') --length;
      p[length] = '\0';
      const char* prepared = input.Prepare(p, &length, line, false, block.err);
      One(prepared, length, line, block);
      p = newline ? newline + 1 : end;
    }
  }
};

// Is the text the name of a file here?
bool IsFileName(const char* text) {
  struct stat status {};
  return stat(text, &status) == 0 && (status.st_mode & S_IFMT) == S_IFREG;
}

// The inputs given as arguments. One that names a file gets a hint: the
// inputs of a file are read from standard input.
int RunArguments(Worker& worker, const Invocation& args) {
  const std::vector<const char*>& arguments = args.Positional();
  BlockOutput block;
  bool failed = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (IsFileName(arguments[i]))
      AppendMessage(block.err, "argument %zu: warning: '%s' is the name of a file; to read the lines in it: hvcn %s < %s",
                    i + 1, arguments[i], args.Command(), ShellQuote(arguments[i]).c_str());
    std::string text = arguments[i];
    size_t length = text.size();
    const char* prepared = worker.input.Prepare(text.data(), &length, i + 1, true, block.err);
    worker.One(prepared, length, 0, block);
    Emit(block, true);
    failed |= block.failed;
  }
  return failed ? kFailed : kOk;
}

// Standard input at a terminal: each line as it is typed.
int RunTyped(Worker& worker) {
  BlockOutput block;
  std::string line;
  char buffer[4096];
  size_t number = 0;
  bool more = true;
  while (more) {
    line.clear();
    more = false;
    while (std::fgets(buffer, sizeof buffer, stdin)) {
      line += buffer;
      if (!line.empty() && line.back() == '\n') {
        more = true;
        break;
      }
    }
    if (line.empty()) break;
    worker.Block(line, ++number, block);
    Emit(block, true);
  }
  return block.failed ? kFailed : kOk;
}

// Where standard output is a regular file of its own (not appended to,
// not shared with standard error), the workers write their output into it
// themselves, each block at its place: the copying into the file is shared
// out too. Returns the file's current offset, or -1 to write in turn.
int64_t OwnOutputFileOffset() {
#if defined(_WIN32)
  return -1;
#else
  struct stat out {};
  struct stat err {};
  if (fstat(1, &out) != 0 || !S_ISREG(out.st_mode)) return -1;
  const int flags = fcntl(1, F_GETFL);
  if (flags < 0 || (flags & O_APPEND)) return -1;
  if (fstat(2, &err) == 0 && err.st_dev == out.st_dev && err.st_ino == out.st_ino) return -1;
  std::fflush(stdout);
  return lseek(1, 0, SEEK_CUR);
#endif
}

// Writes text at an offset of standard output; false when it cannot.
bool WriteAt(std::string_view text, int64_t offset) {
#if defined(_WIN32)
  (void)text;
  (void)offset;
  return false;
#else
  while (!text.empty()) {
    const ssize_t n = pwrite(1, text.data(), text.size(), static_cast<off_t>(offset));
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
    offset += n;
  }
  return true;
#endif
}

// Standard input that is no terminal: the blocks are shared out among the
// workers. Each worker reads the next block, handles it and, once the
// blocks before it are written, writes its own; so the output is the same
// for any number of workers. Into a file of its own a block's output goes
// at its offset, known once the blocks before it are handled, while the
// next worker takes its turn.
class Blocks {
 public:
  // A worker's loop, on its own thread. Running out of memory ends the
  // run: the blocks before are written, no later one.
  void Work(Worker& worker) {
    std::string text;
    BlockOutput block;
    size_t firstLine = 0, number = 0;
    for (;;) {
      try {
        if (!Take(text, &firstLine, &number)) return;
      } catch (const std::bad_alloc&) {
        EndForWantOfMemory();
        return;
      }
      try {
        worker.Block(text, firstLine, block);
      } catch (const std::bad_alloc&) {
        block.out.Clear();
        block.err.clear();
        EndForWantOfMemory();
      }
      Deliver(block, number);
    }
  }

  // The threads of the workers wait here until Open says how many of them
  // work (false for a thread that is to end at once) and, once those that
  // end have ended, Go lets the others work.
  bool MayWork(size_t index) {
    std::lock_guard<Mutex> lock(mutex_);
    while (!opened_) turn_.Wait(mutex_);
    if (index >= working_) return false;
    while (!going_) turn_.Wait(mutex_);
    return true;
  }
  void Open(size_t working) {
    std::lock_guard<Mutex> lock(mutex_);
    working_ = working;
    opened_ = true;
    turn_.NotifyAll();
  }
  void Go() {
    std::lock_guard<Mutex> lock(mutex_);
    going_ = true;
    turn_.NotifyAll();
  }

  // Once every worker is done: the exit status.
  int Finish() {
#if !defined(_WIN32)
    // The file's offset after the output, as writing in turn would leave it.
    if (inPlace_) lseek(1, static_cast<off_t>(offset_), SEEK_SET);
#endif
    if (outOfMemory_) {
      Error("out of memory");
      return kFailed;
    }
    if (lost_) {
      Error("the output could not be written");
      return kFailed;
    }
    return failed_ ? kFailed : kOk;
  }

 private:
  // The next block and its number in the input; false at the end.
  bool Take(std::string& text, size_t* firstLine, size_t* number) {
    std::lock_guard<Mutex> lock(mutex_);
    if (ended_ || !reader_.Next(text, firstLine)) {
      ended_ = true;
      return false;
    }
    *number = taken_++;
    return true;
  }

  void EndForWantOfMemory() {
    std::lock_guard<Mutex> lock(mutex_);
    outOfMemory_ = ended_ = true;
  }

  // Writes a block's output in its turn.
  void Deliver(BlockOutput& block, size_t number) {
    mutex_.lock();
    while (written_ != number) turn_.Wait(mutex_);
    failed_ |= block.failed;
    block.failed = false;
    if (inPlace_) {
      const int64_t offset = offset_;
      offset_ += static_cast<int64_t>(block.out.View().size());
      if (!block.err.empty()) std::fwrite(block.err.data(), 1, block.err.size(), stderr);
      block.err.clear();
      Pass();
      const bool ok = WriteAt(block.out.View(), offset);
      block.out.Clear();
      if (!ok) {
        std::lock_guard<Mutex> lock(mutex_);
        lost_ = true;
      }
      return;
    }
    mutex_.unlock();  // the turn stays this worker's until it passes it on
    Emit(block, flush_);
    mutex_.lock();
    Pass();
  }

  // Gives the turn to the next block; unlocks.
  void Pass() {
    ++written_;
    turn_.NotifyAll();
    mutex_.unlock();
  }

  Mutex mutex_;
  Condition turn_;
  bool opened_ = false, going_ = false;
  size_t working_ = 0;  // the threads that work (the first worker beside them)
  BlockReader reader_;
  bool ended_ = false;
  size_t taken_ = 0;    // blocks read
  size_t written_ = 0;  // blocks written (or placed)
  bool failed_ = false;
  bool lost_ = false;   // a placed block could not be written
  bool outOfMemory_ = false;
  const bool flush_ = HVCN_ISATTY(1);
  int64_t offset_ = OwnOutputFileOffset();
  const bool inPlace_ = offset_ >= 0;
};

}  // namespace

std::string Where(size_t line) { return line ? "line " + std::to_string(line) + ": " : std::string(); }

bool ReadEncoding(const Invocation& args, Encoding* encoding) {
  *encoding = Encoding::Utf8;
  const char* name = args.Value("--input-encoding");
  if (!name || EncodingByName(name, encoding)) return true;
  Error("--input-encoding takes utf-8, cp1252 or latin1, not '%s'", name);
  return false;
}

const char* InputText::Prepare(char* text, size_t* length, size_t number, bool argument, std::string& err) {
  auto source = [&] { return (argument ? "argument " : "line ") + std::to_string(number); };
  if (const void* nul = std::memchr(text, '\0', *length)) {
    const size_t at = static_cast<size_t>(static_cast<const char*>(nul) - text);
    AppendMessage(err, "%s: warning: a NUL byte at column %zu ends the text there", source().c_str(),
                  ColumnOf(std::string_view(text, *length), at));
    *length = at;
  }
  const std::string_view view(text, *length);
  if (encoding_ != Encoding::Utf8) {
    ToUtf8(view, encoding_, converted_);
    *length = converted_.size();
    return converted_.c_str();
  }
  const size_t bad = FirstBadUtf8(view);
  if (bad != std::string_view::npos)
    AppendMessage(err,
                  "%s: warning: byte 0x%02x at column %zu is not UTF-8, which the library reads; for "
                  "Windows-1252 text give --input-encoding cp1252 (or latin1), or convert it first: "
                  "iconv -f CP1252 -t UTF-8",
                  source().c_str(), static_cast<unsigned char>(text[bad]), ColumnOf(view, bad));
  return text;
}

int RunInputs(const Invocation& args, const ResultWriter& writer, const HandlerMaker& make) {
  Encoding encoding;
  if (!ReadEncoding(args, &encoding)) return kUsage;
  int jobs = ProcessorCount();
  if (const char* value = args.Value("--jobs")) {
    char* end = nullptr;
    const long n = std::strtol(value, &end, 10);
    if (end == value || *end != '\0' || n < 0 || n > 1024) {
      Error("--jobs takes a number of workers from 1 to 1024 (0: one per processor), not '%s'", value);
      return kUsage;
    }
    if (n > 0) jobs = static_cast<int>(n);
  }
  std::vector<Worker> workers;
  workers.push_back(Worker{make(), InputText(encoding), &writer, {}});
  if (!workers[0].handler) return kFailed;
  if (!args.Positional().empty()) return RunArguments(workers[0], args);
  if (HVCN_ISATTY(0)) return RunTyped(workers[0]);
  for (int i = 1; i < jobs; ++i) {
    workers.push_back(Worker{make(), InputText(encoding), &writer, {}});
    if (!workers.back().handler) return kFailed;
  }
  // The first worker works on this thread; a thread that cannot start
  // leaves its worker idle.
#if defined(__GLIBC__)
  // Each thread's first allocation would reserve an arena of 64 MiB of
  // address space of its own (up to eight per processor): as many arenas as
  // processors, so that the address space goes to the work.
  mallopt(M_ARENA_MAX, ProcessorCount());
#endif
  // The first worker works on this thread. The others wait until every
  // thread has started: when one cannot start (no memory, no threads left),
  // the workers are fewer, and half of those started end at once, to leave
  // memory for the work of the others.
  Blocks blocks;
  std::vector<std::unique_ptr<Thread>> threads;
  bool shortOfThreads = false;
  for (size_t i = 1; i < workers.size() && !shortOfThreads; ++i) {
    auto thread = std::make_unique<Thread>();
    const size_t index = threads.size();
    shortOfThreads = !thread->Start([&blocks, &worker = workers[i], index] {
      if (blocks.MayWork(index)) blocks.Work(worker);
    });
    if (!shortOfThreads) threads.push_back(std::move(thread));
  }
  const size_t working = shortOfThreads ? threads.size() / 2 : threads.size();
  blocks.Open(working);
  for (size_t i = working; i < threads.size(); ++i) threads[i]->Join();
  blocks.Go();
  blocks.Work(workers[0]);
  for (auto& thread : threads) thread->Join();
  return blocks.Finish();
}

}  // namespace cli
