#include "core/strings.h"

#include <atomic>
#include <climits>
#include <cstring>

#include "core/trace.h"

namespace hvcn {
namespace {

std::atomic<os::Module> g_resourceModule{nullptr};
BoolWords g_boolWords;

// Section and key names are loaded into buffers of this size.
constexpr int32_t kNameSize = 40;

constexpr int kBoolSeparator = 5;

char AsciiLower(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

os::Module ResourceModule() noexcept {
  os::Module m = g_resourceModule.load(std::memory_order_relaxed);
  return m ? m : os::OwnModule();
}

void SetResourceModule(os::Module module) noexcept {
  g_resourceModule.store(module, std::memory_order_relaxed);
}

bool EqualNoCase(const char* a, const char* b) noexcept {
  for (;; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
    if (*a == '\0') return true;
  }
}

void CopyText(char* out, size_t size, const char* text) noexcept {
  if (!out || size == 0) return;
  size_t n = text ? std::strlen(text) : 0;
  if (n > size - 1) n = size - 1;
  if (n) std::memcpy(out, text, n);
  out[n] = '\0';
}

bool LoadLocalString(os::Module module, uint16_t id, char* buffer, int32_t size) noexcept {
  if (!buffer || size <= 0) return false;
  os::LoadString(module, id, buffer, size);
  buffer[size - 1] = '\0';
  if (buffer[0] != '\0') {
    trace::If(trace::kString, trace::tag::kString, "ID %d = %s", id, buffer);
    return true;
  }
  if (trace::Level() != 0)
    trace::Line(trace::tag::kProblem, "bGWM: Could not load the string for ID %d", id);
  if (size > 7) {
    FormatText(buffer, static_cast<size_t>(size), "%d", id);
  } else {
    trace::WriteLine(trace::tag::kProblem, "bGWN: Small buffer - returning empty string");
    buffer[0] = '\0';
  }
  return false;
}

const BoolWords* ProcessBoolWords() noexcept { return &g_boolWords; }

void LoadProcessBoolWords(os::Module module) noexcept { LoadBoolWords(module, &g_boolWords); }

void LoadBoolWords(os::Module module, BoolWords* words) noexcept {
  for (int e = 0; e < 11; ++e) {
    char* entry = words->entries[e];
    entry[0] = '\0';
    if (e == kBoolSeparator) continue;
    // A missing word stays empty, never its decimal id.
    if (!LoadLocalString(module, static_cast<uint16_t>(kTextBoolBase + e), entry, 10)) entry[0] = '\0';
  }
}

bool GetProfileText(os::Module module, uint16_t section, uint16_t key, const char* fallback,
                    char* buffer, int32_t size) noexcept {
  if (!fallback) fallback = "";
  char sectionName[kNameSize];
  char keyName[kNameSize];
  bool haveSection = LoadLocalString(module, section, sectionName, kNameSize);
  bool haveKey = LoadLocalString(module, key, keyName, kNameSize);
  if (haveSection && haveKey) {
    os::GetProfileString(kProfileFile, sectionName, keyName, fallback, buffer,
                         static_cast<size_t>(size));
    trace::If(trace::kConfig, trace::tag::kConfiguration, "[%s] %s = %s", sectionName, keyName,
              buffer);
    return true;
  }
  if (trace::Level() != 0)
    trace::Line(trace::tag::kProblem, "bGWCS: Could not get INI strings. Returning default %s",
                fallback);
  CopyText(buffer, static_cast<size_t>(size), fallback);
  return false;
}

int GetProfileBool(os::Module module, uint16_t section, uint16_t key, bool fallback,
                   const BoolWords* words) noexcept {
  char text[256];
  GetProfileText(module, section, key, fallback ? "1" : "0", text, sizeof text);
  int result;
  if (std::strcmp(text, "0") == 0) {
    result = 0;
  } else if (std::strcmp(text, "1") == 0) {
    result = 1;
  } else if (!words) {
    result = fallback ? 1 : 0;
  } else {
    // True words, then the separator, then false words; anything else is 0.
    result = 0;
    int current = 1;
    for (int e = 0; e < 11; ++e) {
      if (e == kBoolSeparator) {
        current = 0;
        continue;
      }
      const char* word = words->entries[e];
      if (word[0] != '\0' && EqualNoCase(word, text)) {
        result = current;
        break;
      }
    }
  }
  trace::If(trace::kConfig, trace::tag::kConfiguration, "Boolean value returned is %d", result);
  return result;
}

int32_t ParseNumber(const char* text, const char** end) noexcept {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  unsigned base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
      ((p[2] >= '0' && p[2] <= '9') || ((p[2] | 0x20) >= 'a' && (p[2] | 0x20) <= 'f'))) {
    base = 16;
    p += 2;
  } else if (p[0] == '0') {
    base = 8;
  }
  const char* digits = p;
  int64_t value = 0;
  for (;; ++p) {
    unsigned d;
    char c = *p;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') d = static_cast<unsigned>((c | 0x20) - 'a' + 10);
    else break;
    if (d >= base) break;
    if (value <= INT64_C(0x100000000)) value = value * base + d;
  }
  if (end) *end = p == digits ? text : p;
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

int32_t GetProfileNumber(os::Module module, uint16_t section, uint16_t key,
                         int32_t fallback) noexcept {
  char sectionName[kNameSize];
  char keyName[kNameSize];
  bool haveSection = LoadLocalString(module, section, sectionName, kNameSize);
  bool haveKey = LoadLocalString(module, key, keyName, kNameSize);
  if (!haveSection || !haveKey) {
    if (trace::Level() != 0)
      trace::Line(trace::tag::kProblem, "lGWCL: Could not get INI strings. Returning default %ld",
                  fallback);
    return fallback;
  }
  char text[256];
  GetProfileText(module, section, key, "", text, sizeof text);
  if (text[0] == '\0') return fallback;
  const char* end = nullptr;
  int32_t value = ParseNumber(text, &end);
  if (value != 0) return value;
  if (*end == '\0') return 0;
  trace::If(trace::kConfig, trace::tag::kConfiguration, "Invalid numeric setting %s = %s", keyName,
            text);
  return fallback;
}

}  // namespace hvcn
