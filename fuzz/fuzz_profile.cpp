// The configuration readers of the posix stand-ins: TNUAL.INI and the
// REGEDIT4 registry file (core/platform/config_text.h, config_files_posix.cpp).
// Built over the library's objects, not its exports: these are internal.
//
// Input: a mode byte (bit 0: the registry, else the profile; bit 1: the
// current-user root; bits 2-7: the output size), a NUL-ended section (or
// key path), a NUL-ended key (or value name), then the file's text, NULs
// included.
// Properties, against a model of the rules written here from their
// description (lines at LF without their CRs; names trimmed, ASCII case
// ignored; the first matching line wins; one pair of quotes removed; in the
// registry the escapes \\ and \"):
//   - the lookup over the text finds what the model finds, as a piece of
//     the text itself;
//   - through a file (written afresh, read through the cache, looked up
//     twice): the value cut to the buffer, or the fallback, terminated, and
//     nothing written past the size; a registry string that does not fit is
//     refused; a dword is the model's.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/config_text.h"
#include "core/platform/os.h"
#include "fuzz_support.h"

using namespace hvcn;
using namespace hvcn::fuzz;
namespace config = hvcn::os::config;

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return s.substr(s.size());
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The model's lines, each with the name of the "[...]" it is, if it is one.
struct Line {
  std::string_view text;
  std::optional<std::string_view> section;
};

std::vector<Line> Lines(std::string_view text) {
  std::vector<Line> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = end + 1;
    Line l{line, std::nullopt};
    const std::string_view t = Trim(line);
    if (!t.empty() && t[0] == '[' && t.find(']') != std::string_view::npos) l.section = Trim(t.substr(1, t.find(']') - 1));
    lines.push_back(l);
  }
  return lines;
}

std::optional<std::string_view> ModelProfile(std::string_view text, std::string_view section, std::string_view key) {
  bool inSection = false;
  for (const Line& line : Lines(text)) {
    if (line.section) {
      inSection = Same(*line.section, section);
      continue;
    }
    const size_t equals = line.text.find('=');
    if (!inSection || equals == std::string_view::npos) continue;
    const std::string_view k = Trim(line.text.substr(0, equals));
    if ((!k.empty() && k[0] == ';') || !Same(k, key)) continue;
    std::string_view v = Trim(line.text.substr(equals + 1));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    return v;
  }
  return std::nullopt;
}

bool ModelIsKey(std::string_view section, bool user, std::string_view path) {
  const size_t slash = section.find('\\');
  if (slash == std::string_view::npos) return false;
  const std::string_view root = section.substr(0, slash);
  if (!(user ? Same(root, "HKEY_CURRENT_USER") || Same(root, "HKCU")
             : Same(root, "HKEY_LOCAL_MACHINE") || Same(root, "HKLM")))
    return false;
  std::string_view rest = section.substr(slash + 1);
  while (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return Same(rest, path);
}

// A quoted REGEDIT string at the start of s, unescaped; s moves past it.
std::optional<std::string> ModelQuoted(std::string_view* s) {
  if (s->empty() || (*s)[0] != '"') return std::nullopt;
  std::string out;
  for (size_t i = 1; i < s->size(); ++i) {
    if ((*s)[i] == '"') {
      s->remove_prefix(i + 1);
      return out;
    }
    if ((*s)[i] == '\\' && i + 1 < s->size()) ++i;
    out += (*s)[i];
  }
  return std::nullopt;
}

struct RegistryAnswer {
  bool keyExists = false;
  config::ValueKind kind = config::ValueKind::None;
  std::string text;
  uint32_t dword = 0;
};

RegistryAnswer ModelRegistry(std::string_view text, bool user, std::string_view path, std::string_view name) {
  RegistryAnswer answer;
  const std::vector<Line> lines = Lines(text);
  for (const Line& line : lines) answer.keyExists = answer.keyExists || (line.section && ModelIsKey(*line.section, user, path));
  bool inKey = false;
  for (const Line& line : lines) {
    if (line.section) {
      inKey = ModelIsKey(*line.section, user, path);
      continue;
    }
    std::string_view rest = Trim(line.text);
    const std::optional<std::string> valueName = inKey ? ModelQuoted(&rest) : std::nullopt;
    if (!valueName || !Same(*valueName, name)) continue;
    rest = Trim(rest);
    if (rest.empty() || rest[0] != '=') continue;
    // The first line of that name decides, even when it reads as neither.
    rest = Trim(rest.substr(1));
    if (const std::optional<std::string> value = ModelQuoted(&rest)) {
      answer.kind = config::ValueKind::String;
      answer.text = *value;
    } else if (rest.size() > 6 && Same(rest.substr(0, 6), "dword:")) {
      uint64_t v = 0;
      size_t digits = 0;
      for (char c : rest.substr(6)) {
        const char l = Lower(c);
        const int d = c >= '0' && c <= '9' ? c - '0' : l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
        if (d < 0 || v > 0xFFFFFFFFu) break;
        v = v * 16 + static_cast<uint64_t>(d);
        ++digits;
      }
      if (digits > 0 && v <= 0xFFFFFFFFu) {
        answer.kind = config::ValueKind::Dword;
        answer.dword = static_cast<uint32_t>(v);
      }
    }
    return answer;
  }
  return answer;
}

// A scratch folder of this process, where the files are written.
std::string g_folder;

void WriteFile(const std::string& name, std::string_view text) {
  // A new file renamed into place: the cache sees another file each time.
  const std::string path = g_folder + "/" + name;
  const std::string next = path + ".new";
  std::FILE* out = std::fopen(next.c_str(), "wb");
  Check(out != nullptr, "the scratch file can be written");
  std::fwrite(text.data(), 1, text.size(), out);
  std::fclose(out);
  Check(std::rename(next.c_str(), path.c_str()) == 0, "the scratch file can be renamed");
}

void Profile(std::string_view section, std::string_view key, std::string_view text, size_t size) {
  const std::optional<std::string_view> expected = ModelProfile(text, section, key);
  std::string_view value;
  const bool found = config::ProfileValue(text, section, key, &value);
  Check(found == expected.has_value(), "the profile lookup finds what the model finds", key);
  if (found) {
    Check(value == *expected, "the profile value is the model's", value);
    Check(value.data() >= text.data() && value.data() + value.size() <= text.data() + text.size(),
          "the value is a piece of the text");
  }

  // Through the file, as the library reads it (names end at their NUL).
  WriteFile("TNUAL.INI", text);
  const ExactText sectionName(section), keyName(key);
  const std::optional<std::string_view> byName = ModelProfile(text, sectionName.view(), keyName.view());
  std::string wanted(byName ? *byName : std::string_view("\x01-"));
  wanted = wanted.substr(0, std::min(wanted.find('\0'), size - 1));
  for (int i = 0; i < 2; ++i) {
    OutBuffer out(size + 8);
    os::GetProfileString("TNUAL.INI", sectionName.c_str(), keyName.c_str(), "\x01-", out.data(), size);
    Check(out.Terminated(), "the value is terminated");
    for (size_t b = size; b < out.size(); ++b) Check(out.data()[b] == OutBuffer::kFill, "nothing past the size");
    Check(out.Text() == wanted, "the value read through the file, cut to the size", out.Text());
  }
}

void Registry(bool user, std::string_view path, std::string_view name, std::string_view text, size_t size) {
  const RegistryAnswer expected = ModelRegistry(text, user, path, name);
  const auto root = user ? os::RegistryRoot::CurrentUser : os::RegistryRoot::LocalMachine;
  Check(config::RegistryKeyExists(text, root, path) == expected.keyExists, "the key is found as the model finds it");
  OutBuffer out(size + 8);
  uint32_t dword = 0;
  const config::ValueKind kind = config::RegistryValue(text, root, path, name, out.data(), size, &dword);
  const bool fits = expected.text.size() + 1 <= size;
  if (expected.kind == config::ValueKind::String) {
    Check(kind == (fits ? config::ValueKind::String : config::ValueKind::None), "a string is read when it fits");
    if (fits) Check(std::string_view(out.data(), expected.text.size() + 1) == expected.text + '\0', "the string");
  } else {
    Check(kind == expected.kind, "the kind of the value is the model's", name);
  }
  if (kind == config::ValueKind::Dword) Check(dword == expected.dword, "the dword is the model's");
  for (size_t b = size; b < out.size(); ++b) Check(out.data()[b] == OutBuffer::kFill, "nothing past the size");

  // Through the file (names end at their NUL; a key path has a limit).
  WriteFile("registry.reg", text);
  const ExactText keyPath(path), valueName(name);
  os::RegistryKey key;
  const bool opened = os::RegistryOpen(key, root, keyPath.c_str());
  const RegistryAnswer byName = ModelRegistry(text, user, keyPath.view(), valueName.view());
  Check(opened == (byName.keyExists && keyPath.size() < sizeof key.path), "the key opens as the model finds it");
  if (!opened) return;
  OutBuffer read(size + 8);
  const bool isString = os::RegistryReadString(key, valueName.c_str(), read.data(), size);
  Check(isString == (byName.kind == config::ValueKind::String && byName.text.size() + 1 <= size),
        "a string value is read when it fits");
  if (isString) Check(std::string_view(read.data(), byName.text.size()) == byName.text, "the string read");
  uint32_t number = 0;
  Check(os::RegistryReadDword(key, valueName.c_str(), &number) == (byName.kind == config::ValueKind::Dword),
        "a dword is read when it is one");
  if (byName.kind == config::ValueKind::Dword) Check(number == byName.dword, "the dword read");
  os::RegistryClose(key);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/hvcn-fuzz-profile-XXXXXX";
  Check(mkdtemp(folder) != nullptr, "a scratch folder");
  g_folder = folder;
  setenv("HVCN_PROFILE_DIR", folder, 1);
  setenv("HVCN_REGISTRY", (g_folder + "/registry.reg").c_str(), 1);
  std::atexit([] {
    for (const char* name : {"/TNUAL.INI", "/registry.reg"}) unlink((g_folder + name).c_str());
    rmdir(g_folder.c_str());
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const uint8_t mode = in.Byte();
  const size_t outSize = 1 + (mode >> 2);
  const std::string_view first = in.Text();
  const std::string_view second = in.Text();
  const std::string_view text = in.Rest();
  if (mode & 1) Registry((mode & 2) != 0, first, second, text, outSize);
  else Profile(first, second, text, outSize);
  return 0;
}
