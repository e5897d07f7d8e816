#include "core/trace.h"

#include <cstring>
#include <initializer_list>

#include "core/platform/chars.h"
#include "core/platform/os.h"
#include "core/strings.h"

namespace hvcn::trace {

std::atomic<uint16_t> g_level{0};

namespace {

char g_logFile[kLogPathSize];
char g_logFolder[kLogPathSize];
std::atomic<int64_t> g_startTime{0};

// Room for the prefix "%08X T+%06ld <tag> " in front of a line's text.
constexpr size_t kPrefixSize = 64;

size_t Prefix(char* out, size_t size, const char* tagText) noexcept {
  int64_t elapsed = os::MonotonicSeconds() - g_startTime.load(std::memory_order_relaxed);
  return FormatText(out, size, "%08X T+%06ld %s ", os::ProcessId(), elapsed, tagText);
}

// Appends prefix, text and CR LF to an open file with one write.
void WriteTo(os::FileHandle file, const char* tagText, const char* text) noexcept {
  if (!text) text = "<NULL>";
  char line[kPrefixSize + kLineSize + 2];
  size_t n = Prefix(line, kPrefixSize, tagText);
  size_t length = std::strlen(text);
  if (length > kLineSize - 1) length = kLineSize - 1;
  std::memcpy(line + n, text, length);
  n += length;
  line[n++] = '\r';
  line[n++] = '\n';
  os::WriteFile(file, line, n);
}

// Opens the log for one write; its folder is made on the first line.
os::FileHandle OpenLog() noexcept {
  os::FileHandle file = os::OpenForAppend(g_logFile);
  if (file == os::kNoFile && g_logFolder[0] && os::CreateFolders(g_logFolder))
    file = os::OpenForAppend(g_logFile);
  return file;
}

}  // namespace

void SetLevel(uint16_t level) noexcept { g_level.store(level, std::memory_order_relaxed); }

void SetLogFile(const char* path, const char* folder) noexcept {
  CopyText(g_logFile, sizeof g_logFile, path);
  CopyText(g_logFolder, sizeof g_logFolder, folder);
}

const char* LogFile() noexcept { return g_logFile; }

void SetStartTime(int64_t seconds) noexcept {
  g_startTime.store(seconds, std::memory_order_relaxed);
}

void WriteLine(const char* tagText, const char* text) noexcept {
  os::FileHandle file = OpenLog();
  if (file == os::kNoFile) return;
  WriteTo(file, tagText, text);
  os::CloseFile(file);
}

void Banner() noexcept {
  Line(tag::kInformation, "Name parsing version %s", hvcnVERSION_TEXT);
}

void StatusText(int32_t status) noexcept {
  char text[256];
  LoadLocalString(static_cast<uint16_t>(1001 + status), text, sizeof text);
  WriteLine(tag::kApiError, text);
}

void DumpFormat(const hvcnFormat* f) noexcept {
  os::FileHandle file = OpenLog();
  if (file == os::kNoFile) return;
  char text[kLineSize];
  auto line = [&](const char* format, const auto&... args) noexcept {
    FormatText(text, sizeof text, format, args...);
    WriteTo(file, tag::kData, text);
  };
  line("START: Contents of format structure %Fp", static_cast<const void*>(f));
  WriteTo(file, tag::kData, f->formatString);
  WriteTo(file, tag::kData, f->nameBuffer);
  for (int i = 0; i < hvcnTOKEN_COUNT; ++i) {
    const hvcnToken& t = f->tokens[i];
    if (t.id == 0) continue;
    line("hvcnToken[%d]{%Fp, %u, %u, %02x, %02x, %d, %u, %04x}", i,
         static_cast<const void*>(t.name), t.valueOffset, t.valueLength, t.leadSep, t.trailSep,
         t.id, t.slot, t.tokenFlags);
  }
  for (int i = 0; i < hvcnATTRIBUTE_COUNT; ++i) {
    const hvcnAttribute& a = f->attributes[i];
    if (a.valueLength == hvcnVALUE_ABSENT) continue;
    if (a.id != 0) {
      char name[sizeof a.name + 1];
      CopyBounded(name, sizeof name, std::string_view(a.name, strnlen(a.name, sizeof a.name)));
      line("hvcnAttribute[%d]{%u, %u, %d, '%s'}", i, a.valueOffset, a.valueLength, a.id, name);
    } else {
      WriteTo(file, tag::kData, "hvcnAttribute{UNDEFINED}");
    }
  }
  for (int32_t r : f->reconfigured) line("%ld (0x%lx)", r, r);
  for (char c : {f->slashChar, f->commaChar}) {
    if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F)
      line("(char)'%c'", c);
    else
      line("(char)0x%2x", static_cast<unsigned char>(c));
  }
  char detail[sizeof f->errorDetail + 1];
  CopyBounded(detail, sizeof detail, std::string_view(f->errorDetail, strnlen(f->errorDetail, sizeof f->errorDetail)));
  WriteTo(file, tag::kData, detail);
  line("%ld (0x%lx)", static_cast<int32_t>(f->flags), static_cast<int32_t>(f->flags));
  line("END: Contents of format structure %Fp", static_cast<const void*>(f));
  os::CloseFile(file);
}

void DumpText(const char* data, size_t length, const char* title) noexcept {
  os::FileHandle file = OpenLog();
  if (file == os::kNoFile) return;
  char text[kLineSize];
  FormatText(text, sizeof text, "Start: %s ", title);
  WriteTo(file, tag::kData, text);
  // 32 characters a line in groups of 8, each group after one blank; a
  // control character shows as '.'. With character stepping on, each
  // character shows as its first byte. The walk never passes `length` bytes.
  const char* p = data;
  const char* end = data ? data + length : data;
  while (p < end) {
    char row[32 * 2];
    size_t n = 0;
    for (int count = 0; count < 32 && p < end; ++count) {
      if (count % 8 == 0) row[n++] = ' ';
      unsigned char c = static_cast<unsigned char>(*p);
      row[n++] = c < 0x20 ? '.' : static_cast<char>(c);
      size_t step = (StepByCharacter && c != 0) ? CharLength(p, Utf8Text) : 1;
      p += step;
    }
    row[n] = '\0';
    WriteTo(file, tag::kData, row);
  }
  FormatText(text, sizeof text, "End: %s ", title);
  WriteTo(file, tag::kData, text);
  os::CloseFile(file);
}

}  // namespace hvcn::trace
