// The posix stand-ins for the profile (TNUAL.INI in $HVCN_PROFILE_DIR, else
// /etc) and the registry (the REGEDIT4 file named by $HVCN_REGISTRY).
//
// Each file's text is kept in a buffer of kConfigFileLimit bytes made when
// the library is loaded, so no lookup touches the heap, and it is read from
// the disk again only when the file changed: a lookup costs a stat and a
// search in memory. A file is read only when its name leads to a regular
// file of at most kConfigFileLimit bytes (opened without waiting, so that a
// FIFO swapped in after the check cannot hold a lookup either); anything
// else counts as no file and leaves a note for the trace log.
//
// Threads: each file has its own lock, held while its text is brought up
// to date and searched; the lookup answers are copied out before it is
// released. The stat runs before the lock is taken.
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/copy.h"
#include "core/platform/config_text.h"
#include "core/platform/os.h"
#include "core/text_format.h"

namespace hvcn::os {
namespace {

constexpr size_t kPathSize = 1024;
constexpr size_t kNoteSize = kPathSize + 96;

// A file changed so shortly before it was read may change again within
// the same tick of the file system's clock, and its modification time would
// not show it: such a text is read again at each lookup until the file has
// stood this long (file systems with the coarsest clocks count in seconds,
// FAT in two).
constexpr int64_t kSettledNanoseconds = 2'000'000'000;

std::atomic<uint64_t> g_reads{0};

int64_t Nanoseconds(const timespec& t) noexcept {
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + static_cast<int64_t>(t.tv_nsec);
}

// What tells one state of a file from another: which file it is, its size,
// and when its contents or its entry last changed.
struct Identity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified = 0;
  int64_t changed = 0;
  mode_t mode = 0;

  static Identity Of(const struct stat& info) noexcept {
    return {info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim),
            info.st_mode};
  }
  bool operator==(const Identity&) const = default;
};

// The answers of profile lookups in the text held: a lookup repeated on an
// unchanged file costs no search either. Queries whose names do not fit a
// row, or that come when every row is taken, are searched each time.
class Answers {
 public:
  struct Answer {
    bool found;
    size_t offset, length;  // the value in the text
  };

  void Clear() noexcept { count_ = 0; }

  bool Find(const char* section, const char* key, Answer* answer) const noexcept {
    for (size_t i = 0; i < count_; ++i)
      if (std::strcmp(rows_[i].key, key) == 0 && std::strcmp(rows_[i].section, section) == 0) {
        *answer = rows_[i].answer;
        return true;
      }
    return false;
  }

  void Add(const char* section, const char* key, const Answer& answer) noexcept {
    if (count_ == kRows || std::strlen(section) >= kNameSize || std::strlen(key) >= kNameSize) return;
    Row& row = rows_[count_++];
    CopyText(row.section, kNameSize, section);
    CopyText(row.key, kNameSize, key);
    row.answer = answer;
  }

 private:
  // The library asks for 57 settings (section NameParsing and the 43 tag
  // names); section and key names are resource strings of at most 39 bytes.
  static constexpr size_t kRows = 96;
  static constexpr size_t kNameSize = 40;
  struct Row {
    char section[kNameSize];
    char key[kNameSize];
    Answer answer;
  };
  Row rows_[kRows] = {};
  size_t count_ = 0;
};

class Lock {
 public:
  explicit Lock(pthread_mutex_t& mutex) noexcept : mutex_(mutex) { pthread_mutex_lock(&mutex_); }
  ~Lock() { pthread_mutex_unlock(&mutex_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  pthread_mutex_t& mutex_;
};

// One configuration file: its text as last read and what the file was then.
class ConfigFile {
 public:
  constexpr explicit ConfigFile(char* buffer) noexcept : buffer_(buffer) {}

  // Brings the text up to date with the file at `path` (null or "": none)
  // and runs use(text, answers) under the file's lock.
  template <typename F>
  void Use(const char* path, F use) noexcept {
    if (!path || std::strlen(path) >= kPathSize) path = "";
    struct stat info{};
    const int found = *path ? ::stat(path, &info) : -1;
    const int error = found == 0 ? 0 : *path ? errno : ENOENT;
    Lock lock(mutex_);
    if (!Current(path, error, info)) Load(path, error, info);
    use(std::string_view(buffer_, length_), answers_);
  }

  bool TakeNote(char* text, size_t size) noexcept {
    Lock lock(mutex_);
    if (!note_[0]) return false;
    CopyText(text, size, note_);
    note_[0] = '\0';
    return true;
  }

  pthread_mutex_t& mutex() noexcept { return mutex_; }

 private:
  // Is the text held that of the file as it stands?
  bool Current(const char* path, int error, const struct stat& info) const noexcept {
    if (!loaded_ || !settled_ || std::strcmp(path, path_) != 0 || error != error_) return false;
    return error != 0 || identity_ == Identity::Of(info);
  }

  void Load(const char* path, int error, const struct stat& info) noexcept {
    CopyText(path_, sizeof path_, path);
    loaded_ = true;
    settled_ = true;
    error_ = error;
    identity_ = error == 0 ? Identity::Of(info) : Identity{};
    length_ = 0;
    answers_.Clear();
    if (error == ENOENT || error == ENOTDIR) return;  // no file: no note
    if (error != 0) return Note(Refusal::kCannotExamine, error);
    if (!S_ISREG(info.st_mode)) return Note(Refusal::kNotRegular);
    if (static_cast<uint64_t>(info.st_size) > kConfigFileLimit) return Note(Refusal::kTooLarge);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return Note(Refusal::kCannotRead, errno);
    struct stat opened{};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      ::close(fd);
      return Note(Refusal::kNotRegular);
    }
    identity_ = Identity::Of(opened);
    size_t length = 0;
    bool tooLong = false;
    int failure = 0;
    for (;;) {
      char extra;  // a byte past the limit: the file grew since its check
      const bool full = length == kConfigFileLimit;
      const ssize_t n = full ? ::read(fd, &extra, 1) : ::read(fd, buffer_ + length, kConfigFileLimit - length);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) failure = errno;
      if (n <= 0) break;
      if (full) {
        tooLong = true;
        break;
      }
      length += static_cast<size_t>(n);
    }
    ::close(fd);
    g_reads.fetch_add(1, std::memory_order_relaxed);
    if (failure != 0) return Note(Refusal::kCannotRead, failure);
    if (tooLong) return Note(Refusal::kTooLarge);
    length_ = length;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    settled_ = Nanoseconds(now) - identity_.modified >= kSettledNanoseconds;
  }

  // Why a file is ignored: the texts of the note, with the limit or the
  // system's error number where it has one.
  enum class Refusal { kNotRegular, kTooLarge, kCannotExamine, kCannotRead };

  void Note(Refusal refusal, int error = 0) noexcept {
    constexpr const char* kTexts[] = {
        "not a regular file",             // kNotRegular
        "larger than %u bytes",           // kTooLarge
        "cannot be examined (error %d)",  // kCannotExamine
        "cannot be read (error %d)",      // kCannotRead
    };
    const char* text = kTexts[static_cast<int>(refusal)];
    char reason[64];
    if (refusal == Refusal::kTooLarge) FormatText(reason, sizeof reason, text, static_cast<uint32_t>(kConfigFileLimit));
    else FormatText(reason, sizeof reason, text, error);
    FormatText(note_, sizeof note_, "Configuration file %s ignored: %s", path_, reason);
  }

  char* buffer_;
  pthread_mutex_t mutex_ = PTHREAD_MUTEX_INITIALIZER;
  char path_[kPathSize] = {};
  bool loaded_ = false;
  bool settled_ = false;
  int error_ = 0;  // errno of the stat, 0 when the file exists
  Identity identity_;
  size_t length_ = 0;
  Answers answers_;
  char note_[kNoteSize] = {};
};

char g_profileText[kConfigFileLimit];
char g_registryText[kConfigFileLimit];
// Constant-initialised: the module entry may look a setting up before any
// constructor of this file has run.
constinit ConfigFile g_profile(g_profileText);
constinit ConfigFile g_registry(g_registryText);

// A child forked while a thread held a lock gets the lock free.
struct ForkSafety {
  ForkSafety() noexcept { pthread_atfork(LockBoth, UnlockBoth, UnlockBoth); }
  static void LockBoth() noexcept {
    pthread_mutex_lock(&g_profile.mutex());
    pthread_mutex_lock(&g_registry.mutex());
  }
  static void UnlockBoth() noexcept {
    pthread_mutex_unlock(&g_registry.mutex());
    pthread_mutex_unlock(&g_profile.mutex());
  }
} g_forkSafety;

}  // namespace

void GetProfileString(const char* file, const char* section, const char* key, const char* fallback,
                      char* buffer, size_t size) noexcept {
  if (!buffer || size == 0) return;
  if (!fallback) fallback = "";
  const char* dir = std::getenv("HVCN_PROFILE_DIR");
  if (!dir || !*dir) dir = "/etc";
  char path[kPathSize];
  if (FormatText(path, sizeof path, "%s/%s", dir, file) + 1 >= sizeof path) {
    CopyText(buffer, size, fallback);
    return;
  }
  g_profile.Use(path, [&](std::string_view text, Answers& answers) noexcept {
    Answers::Answer answer{};
    if (!answers.Find(section, key, &answer)) {
      std::string_view value;
      answer.found = config::ProfileValue(text, section, key, &value);
      answer.offset = answer.found ? static_cast<size_t>(value.data() - text.data()) : 0;
      answer.length = answer.found ? value.size() : 0;
      answers.Add(section, key, answer);
    }
    if (answer.found) CopyBounded(buffer, size, text.substr(answer.offset, answer.length));
    else CopyText(buffer, size, fallback);
  });
}

bool RegistryOpen(RegistryKey& key, RegistryRoot root, const char* path) noexcept {
  key = RegistryKey{};
  if (!path || std::strlen(path) + 1 > sizeof key.path) return false;
  key.root = root;
  CopyText(key.path, sizeof key.path, path);
  g_registry.Use(std::getenv("HVCN_REGISTRY"), [&](std::string_view text, Answers&) noexcept {
    key.open = config::RegistryKeyExists(text, root, path);
  });
  return key.open;
}

namespace {

config::ValueKind RegistryValue(const RegistryKey& key, const char* name, char* out, size_t size,
                                uint32_t* dword) noexcept {
  config::ValueKind kind = config::ValueKind::None;
  g_registry.Use(std::getenv("HVCN_REGISTRY"), [&](std::string_view text, Answers&) noexcept {
    kind = config::RegistryValue(text, key.root, key.path, name, out, size, dword);
  });
  return kind;
}

}  // namespace

bool RegistryReadString(RegistryKey& key, const char* name, char* buffer, size_t size) noexcept {
  if (!key.open || !name || !buffer || size == 0) return false;
  return RegistryValue(key, name, buffer, size, nullptr) == config::ValueKind::String;
}

bool RegistryReadDword(RegistryKey& key, const char* name, uint32_t* value) noexcept {
  if (!key.open || !name || !value) return false;
  return RegistryValue(key, name, nullptr, 0, value) == config::ValueKind::Dword;
}

void RegistryClose(RegistryKey& key) noexcept { key.open = false; }

uint64_t ConfigurationFileReads() noexcept { return g_reads.load(std::memory_order_relaxed); }

bool TakeConfigurationNote(char* text, size_t size) noexcept {
  if (!text || size == 0) return false;
  return g_profile.TakeNote(text, size) || g_registry.TakeNote(text, size);
}

}  // namespace hvcn::os
