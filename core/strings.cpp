#include "core/strings.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <string_view>

#include "core/ascii.h"
#include "core/numbers.h"
#include "core/trace.h"

namespace hvcn {
namespace {

std::atomic<os::Module> g_resourceModule{nullptr};
BoolWords g_boolWords;

// Section and key names are loaded into buffers of this size.
constexpr int32_t kNameSize = 40;

constexpr int kBoolSeparator = 5;

}  // namespace

os::Module ResourceModule() noexcept {
  os::Module m = g_resourceModule.load(std::memory_order_relaxed);
  return m ? m : os::OwnModule();
}

void SetResourceModule(os::Module module) noexcept {
  g_resourceModule.store(module, std::memory_order_relaxed);
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
    ReportConfigurationNotes();
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
      if (word[0] != '\0' && ascii::EqualNoCase(std::string_view(word), std::string_view(text))) {
        result = current;
        break;
      }
    }
  }
  trace::If(trace::kConfig, trace::tag::kConfiguration, "Boolean value returned is %d", result);
  return result;
}

void ReportConfigurationNotes() noexcept {
  if (trace::LogFile()[0] == '\0') return;
  char note[1200];
  while (os::TakeConfigurationNote(note, sizeof note)) trace::WriteLine(trace::tag::kProblem, note);
}

int32_t ParseNumber(const char* text, const char** end) noexcept { return ReadInteger(text, 0, end); }

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
