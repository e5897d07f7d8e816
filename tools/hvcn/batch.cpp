#include "batch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "threads.h"

#if defined(_WIN32)
#include <io.h>
#define HVCN_ISATTY(fd) _isatty(fd)
#else
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
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

// The results of one block.
struct Results {
  Buffer out;
  std::string err;
  bool failed = false;
};

void Write(const std::string& text, FILE* stream) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stream);
}

// Writes a block's results: its output, then its messages.
void Emit(Results& results, bool flush) {
  results.out.Write(stdout);
  if (!results.err.empty()) {
    std::fflush(stdout);
    Write(results.err, stderr);
  }
  if (flush) std::fflush(stdout);
  results.out.Clear();
  results.err.clear();
}

// One worker: its handler and its input scratch.
struct Worker {
  std::unique_ptr<LineHandler> handler;
  InputText input;

  // Handles every line of a block (cut in place: each line ends in a NUL).
  void Block(std::string& block, size_t firstLine, Results& results) {
    char* p = block.data();
    char* const end = p + block.size();
    for (size_t line = firstLine; p < end; ++line) {
      char* newline = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      char* stop = newline ? newline : end;
      size_t length = static_cast<size_t>(stop - p);
      if (length && p[length - 1] == '\r') --length;
      p[length] = '\0';
      const char* text = input.Prepare(p, &length, line, false, results.err);
      if (!handler->Handle(text, length, line, results.out, results.err)) results.failed = true;
      p = newline ? newline + 1 : end;
    }
  }
};

int Finish(bool failed) {
  std::fflush(stdout);
  if (std::ferror(stdout)) {
    Error("the output could not be written");
    return kFailed;
  }
  return failed ? kFailed : kOk;
}

// Standard input at a terminal: each line as it is typed.
int RunTyped(Worker& worker) {
  Results results;
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
    worker.Block(line, ++number, results);
    Emit(results, true);
  }
  return Finish(results.failed);
}

int RunOneWorker(Worker& worker) {
  BlockReader reader;
  Results results;
  std::string block;
  size_t firstLine = 0;
  const bool flush = HVCN_ISATTY(1);
  while (reader.Next(block, &firstLine)) {
    worker.Block(block, firstLine, results);
    Emit(results, flush);
  }
  return Finish(results.failed);
}

// Where standard output is a regular file of its own (not appended to,
// not shared with standard error), the workers write their results into it
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

// Several workers: the main thread reads blocks into a ring of slots, the
// workers take them in turn, a writer writes them back in order (or, into
// a file of its own, the workers write the output of their blocks at the
// offsets the blocks before them leave, and the writer the messages).
int RunWorkers(std::vector<Worker>& workers) {
  enum class State { Free, Filled, Taken, Done };
  struct Slot {
    std::string block;
    size_t firstLine = 0;
    Results results;
    State state = State::Free;
    int64_t offset = -1;  // where its output goes, once the blocks before it are done
    bool placed = false;  // its output is in the file
  };
  std::vector<Slot> slots(workers.size() * 4 + 4);
  Mutex mutex;
  Condition changed;
  size_t filled = 0, taken = 0, written = 0;
  bool ended = false, failed = false, lost = false;
  const bool flush = HVCN_ISATTY(1);
  int64_t fileOffset = OwnOutputFileOffset();
  const bool inPlace = fileOffset >= 0;
  size_t sized = 0;  // blocks whose offsets are known

  auto work = [&](Worker& worker) {
    for (;;) {
      mutex.lock();
      while (taken == filled && !ended) changed.Wait(mutex);
      if (taken == filled) {
        mutex.unlock();
        return;
      }
      Slot& slot = slots[taken++ % slots.size()];
      slot.state = State::Taken;
      mutex.unlock();
      worker.Block(slot.block, slot.firstLine, slot.results);
      mutex.lock();
      slot.state = State::Done;
      if (inPlace) {
        // Offsets for the blocks done in order, then this block's output.
        for (; sized < filled && slots[sized % slots.size()].state == State::Done; ++sized) {
          Slot& next = slots[sized % slots.size()];
          next.offset = fileOffset;
          fileOffset += static_cast<int64_t>(next.results.out.View().size());
        }
        changed.NotifyAll();
        while (slot.offset < 0) changed.Wait(mutex);
        mutex.unlock();
        const bool ok = WriteAt(slot.results.out.View(), slot.offset);
        mutex.lock();
        if (!ok) lost = true;
        slot.placed = true;
      }
      changed.NotifyAll();
      mutex.unlock();
    }
  };
  auto write = [&] {
    for (;;) {
      mutex.lock();
      auto ready = [&] {
        const Slot& slot = slots[written % slots.size()];
        return written < filled && slot.state == State::Done && (!inPlace || slot.placed);
      };
      while (!(written == filled && ended) && !ready()) changed.Wait(mutex);
      if (written == filled) {
        mutex.unlock();
        return;
      }
      Slot& slot = slots[written % slots.size()];
      mutex.unlock();
      if (slot.results.failed) failed = true;
      if (inPlace) slot.results.out.Clear();
      Emit(slot.results, flush);
      slot.results.failed = false;
      mutex.lock();
      slot.state = State::Free;
      slot.offset = -1;
      slot.placed = false;
      ++written;
      changed.NotifyAll();
      mutex.unlock();
    }
  };

  std::vector<std::unique_ptr<Thread>> threads;
  for (Worker& worker : workers) threads.push_back(std::make_unique<Thread>([&work, &worker] { work(worker); }));
  threads.push_back(std::make_unique<Thread>(write));
  BlockReader reader;
  std::string block;
  size_t firstLine = 0;
  for (;;) {
    const bool more = reader.Next(block, &firstLine);
    mutex.lock();
    if (!more) {
      ended = true;
      changed.NotifyAll();
      mutex.unlock();
      break;
    }
    while (filled - written >= slots.size()) changed.Wait(mutex);
    Slot& slot = slots[filled % slots.size()];
    slot.block.swap(block);
    slot.firstLine = firstLine;
    slot.state = State::Filled;
    ++filled;
    changed.NotifyAll();
    mutex.unlock();
  }
  for (auto& thread : threads) thread->Join();
#if !defined(_WIN32)
  // The file's offset after the output, as writing in turn would leave it.
  if (inPlace) lseek(1, static_cast<off_t>(fileOffset), SEEK_SET);
#endif
  if (lost) {
    Error("the output could not be written");
    return kFailed;
  }
  return Finish(failed);
}

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

int RunInputs(const Invocation& args, const HandlerMaker& make) {
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
  workers.push_back(Worker{make(), InputText(encoding)});
  if (!workers[0].handler) return kFailed;

  const auto& positional = args.Positional();
  if (!positional.empty()) {
    Results results;
    for (size_t i = 0; i < positional.size(); ++i) {
      std::string text = positional[i];
      size_t length = text.size();
      const char* prepared = workers[0].input.Prepare(text.data(), &length, i + 1, true, results.err);
      if (!workers[0].handler->Handle(prepared, length, 0, results.out, results.err)) results.failed = true;
      Emit(results, true);
    }
    return Finish(results.failed);
  }
  if (HVCN_ISATTY(0)) return RunTyped(workers[0]);
  if (jobs == 1) return RunOneWorker(workers[0]);
  for (int i = 1; i < jobs; ++i) {
    workers.push_back(Worker{make(), InputText(encoding)});
    if (!workers.back().handler) return kFailed;
  }
  return RunWorkers(workers);
}

}  // namespace cli
