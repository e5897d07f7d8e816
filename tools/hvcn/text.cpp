#include "text.h"

#include <charconv>
#include <cstring>

namespace cli {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// The length of the well-formed UTF-8 sequence at p (1 to 4), or 0.
size_t Utf8Length(const unsigned char* p, size_t left) {
  const unsigned char c = p[0];
  if (c < 0x80) return 1;
  auto cont = [&](size_t i, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
    return i < left && p[i] >= lo && p[i] <= hi;
  };
  if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
  if (c == 0xE0) return cont(1, 0xA0) && cont(2) ? 3 : 0;
  if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) return cont(1) && cont(2) ? 3 : 0;
  if (c == 0xED) return cont(1, 0x80, 0x9F) && cont(2) ? 3 : 0;
  if (c == 0xF0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
  if (c >= 0xF1 && c <= 0xF3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
  if (c == 0xF4) return cont(1, 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
  return 0;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Windows-1252 at 0x80-0x9F; the five unassigned bytes keep their C1 code.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

}  // namespace

bool AppendJson(std::string& out, std::string_view text) {
  bool wellFormed = true;
  out += '"';
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    // A run of bytes that stand as they are.
    size_t run = i;
    while (run < n && p[run] >= 0x20 && p[run] < 0x7F && p[run] != '"' && p[run] != '\\') ++run;
    out.append(text.data() + i, run - i);
    i = run;
    if (i >= n) break;
    const unsigned char c = p[i];
    if (c >= 0x80) {
      const size_t length = Utf8Length(p + i, n - i);
      if (length == 0) {
        out += "\\ufffd";
        wellFormed = false;
        ++i;
      } else {
        out.append(text.data() + i, length);
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    ++i;
  }
  out += '"';
  return wellFormed;
}

void AppendJsonField(std::string& out, const char* key, std::string_view text, bool first) {
  if (!first) out += ',';
  out += '"';
  out += key;
  out += "\":";
  if (AppendJson(out, text)) return;
  out += ",\"";
  out += key;
  out += "Hex\":\"";
  for (unsigned char c : text) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  out += '"';
}

void AppendNumber(std::string& out, int64_t value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

void AppendShown(std::string& out, std::string_view text, bool backslash) {
  for (unsigned char c : text) {
    if (IsControl(c)) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else if (backslash && c == '\\') {
      out += "\\\\";
    } else {
      out += static_cast<char>(c);
    }
  }
}

std::string ShowControls(std::string_view text, bool backslash) {
  std::string out;
  out.reserve(text.size());
  AppendShown(out, text, backslash);
  return out;
}

std::string Unescape(std::string_view text) {
  static const struct {
    const char* name;
    char byte;
  } kNames[] = {{"<GS>", '\x1d'}, {"<RS>", '\x1e'}, {"<ETB>", '\x17'}, {"<SUB>", '\x1a'}, {"<US>", '\x1f'}};
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && hex(text[i + 2]) >= 0 &&
        hex(text[i + 3]) >= 0) {
      out += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
      i += 4;
      continue;
    }
    bool named = false;
    for (const auto& entry : kNames) {
      if (text.substr(i).starts_with(entry.name)) {
        out += entry.byte;
        i += std::strlen(entry.name);
        named = true;
        break;
      }
    }
    if (!named) out += text[i++];
  }
  return out;
}

size_t FirstBadUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    const size_t length = Utf8Length(p + i, text.size() - i);
    if (length == 0) return i;
    i += length;
  }
  return std::string_view::npos;
}

size_t ColumnOf(std::string_view text, size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  size_t column = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++column) {
    const size_t length = p[i] < 0x80 ? 1 : Utf8Length(p + i, text.size() - i);
    i += length ? length : 1;
  }
  return column;
}

bool EncodingByName(std::string_view name, Encoding* encoding) {
  std::string lower;
  for (char c : name) lower += static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
  if (lower == "utf-8" || lower == "utf8") *encoding = Encoding::Utf8;
  else if (lower == "cp1252" || lower == "windows-1252") *encoding = Encoding::Cp1252;
  else if (lower == "latin1" || lower == "iso-8859-1") *encoding = Encoding::Latin1;
  else return false;
  return true;
}

void ToUtf8(std::string_view text, Encoding encoding, std::string& out) {
  out.clear();
  for (unsigned char c : text) {
    if (c < 0x80) out += static_cast<char>(c);
    else if (encoding == Encoding::Cp1252 && c < 0xA0) AppendUtf8(out, kCp1252High[c - 0x80]);
    else AppendUtf8(out, c);
  }
}

std::string ShellQuote(std::string_view text, bool always) {
  bool plain = !text.empty() && !always;
  for (char c : text)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
          (c != '\0' && std::strchr("@%+=:,./_-", c))))
      plain = false;
  if (plain) return std::string(text);
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

}  // namespace cli
