#include "core/platform/config_text.h"

#include <charconv>
#include <system_error>

#include "core/ascii.h"

namespace hvcn::os::config {
namespace {

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) noexcept {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Lines end at LF; a CR before it (any number of them) is no part of the line.
class Lines {
 public:
  explicit Lines(std::string_view text) noexcept : rest_(text) {}

  bool Next(std::string_view* line) noexcept {
    if (rest_.empty()) return false;
    const size_t end = rest_.find('\n');
    std::string_view l = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    while (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    *line = l;
    return true;
  }

 private:
  std::string_view rest_;
};

// "[name]" with blanks around it and around the name: the name, else false.
bool SectionName(std::string_view line, std::string_view* name) noexcept {
  line = Trimmed(line);
  if (line.empty() || line.front() != '[') return false;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  *name = Trimmed(line.substr(1, close - 1));
  return true;
}

// ---------------------------------------------------------------------------
// REGEDIT4

constexpr std::string_view kRootNames[][2] = {
    {"HKEY_LOCAL_MACHINE", "HKLM"},  // RegistryRoot::LocalMachine
    {"HKEY_CURRENT_USER", "HKCU"},   // RegistryRoot::CurrentUser
};

std::string_view WithoutTrailingBackslashes(std::string_view s) noexcept {
  while (!s.empty() && s.back() == '\\') s.remove_suffix(1);
  return s;
}

// Does a section name "ROOT\path" name the key?
bool SectionIsKey(std::string_view section, RegistryRoot root, std::string_view path) noexcept {
  const size_t slash = section.find('\\');
  if (slash == std::string_view::npos) return false;
  const std::string_view rootName = section.substr(0, slash);
  const auto& names = kRootNames[static_cast<int>(root)];
  if (!ascii::EqualNoCase(rootName, names[0]) && !ascii::EqualNoCase(rootName, names[1])) return false;
  return ascii::EqualNoCase(WithoutTrailingBackslashes(section.substr(slash + 1)), WithoutTrailingBackslashes(path));
}

// A quoted REGEDIT string at the start of *s: its bytes between the quotes,
// escapes still in them; *s moves past the closing quote. False when there
// is none.
bool Quoted(std::string_view* s, std::string_view* raw) noexcept {
  if (s->empty() || s->front() != '"') return false;
  size_t i = 1;
  while (i < s->size() && (*s)[i] != '"') i += ((*s)[i] == '\\' && i + 1 < s->size()) ? 2 : 1;
  if (i >= s->size()) return false;
  *raw = s->substr(1, i - 1);
  s->remove_prefix(i + 1);
  return true;
}

// Walks the bytes a quoted string stands for: a backslash takes the next
// byte as it is.
template <typename F>
void Unescaped(std::string_view raw, F byte) noexcept {
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
    byte(raw[i]);
  }
}

bool NameIs(std::string_view raw, std::string_view name) noexcept {
  size_t n = 0;
  bool same = true;
  Unescaped(raw, [&](char c) noexcept {
    same = same && n < name.size() && ascii::Lower(c) == ascii::Lower(name[n]);
    ++n;
  });
  return same && n == name.size();
}

ValueKind ReadValue(std::string_view data, char* out, size_t size, uint32_t* dword) noexcept {
  std::string_view raw;
  if (Quoted(&data, &raw)) {
    size_t length = 0;
    Unescaped(raw, [&](char) noexcept { ++length; });
    if (!out) return ValueKind::String;
    if (length + 1 > size) return ValueKind::None;
    size_t n = 0;
    Unescaped(raw, [&](char c) noexcept { out[n++] = c; });
    out[n] = '\0';
    return ValueKind::String;
  }
  if (data.size() > 6 && ascii::EqualNoCase(data.substr(0, 6), "dword:")) {
    uint32_t v = 0;
    const auto [stop, error] = std::from_chars(data.data() + 6, data.data() + data.size(), v, 16);
    if (stop == data.data() + 6 || error != std::errc()) return ValueKind::None;
    if (dword) *dword = v;
    return ValueKind::Dword;
  }
  return ValueKind::None;
}

}  // namespace

bool ProfileValue(std::string_view text, std::string_view section, std::string_view key,
                  std::string_view* value) noexcept {
  Lines lines(text);
  bool inSection = false;
  for (std::string_view line; lines.Next(&line);) {
    std::string_view name;
    if (SectionName(line, &name)) {
      inSection = ascii::EqualNoCase(name, section);
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view k = Trimmed(line.substr(0, equals));
    if (!k.empty() && k.front() == ';') continue;  // a comment line
    if (!ascii::EqualNoCase(k, key)) continue;
    std::string_view v = Trimmed(line.substr(equals + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    *value = v;
    return true;
  }
  return false;
}

bool RegistryKeyExists(std::string_view text, RegistryRoot root, std::string_view path) noexcept {
  Lines lines(text);
  for (std::string_view line; lines.Next(&line);) {
    std::string_view name;
    if (SectionName(line, &name) && SectionIsKey(name, root, path)) return true;
  }
  return false;
}

ValueKind RegistryValue(std::string_view text, RegistryRoot root, std::string_view path,
                        std::string_view name, char* out, size_t size, uint32_t* dword) noexcept {
  Lines lines(text);
  bool inKey = false;
  for (std::string_view line; lines.Next(&line);) {
    std::string_view section;
    if (SectionName(line, &section)) {
      inKey = SectionIsKey(section, root, path);
      continue;
    }
    if (!inKey) continue;
    std::string_view rest = Trimmed(line);
    std::string_view valueName;
    if (!Quoted(&rest, &valueName) || !NameIs(valueName, name)) continue;
    rest = Trimmed(rest);
    if (rest.empty() || rest.front() != '=') continue;
    return ReadValue(Trimmed(rest.substr(1)), out, size, dword);
  }
  return ValueKind::None;
}

}  // namespace hvcn::os::config
