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

// The bytes a JSON string holds as they are: printable ASCII but " and \.
struct PlainBytes {
  bool plain[256] = {};
  constexpr PlainBytes() {
    for (int c = 0x20; c < 0x7F; ++c) plain[c] = c != '"' && c != '\\';
  }
};
constexpr PlainBytes kJsonPlain;

}  // namespace

void Buffer::Grow(size_t extra) {
  size_t capacity = capacity_ ? capacity_ : 4096;
  while (capacity - size_ < extra) capacity *= 2;
  std::unique_ptr<char[]> data(new char[capacity]);
  if (size_) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

bool AppendJson(Buffer& out, std::string_view text) {
  // Room for the worst case, six bytes for each one, and the quotes.
  char* const start = out.Room(text.size() * 6 + 2);
  char* w = start;
  bool wellFormed = true;
  *w++ = '"';
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    if (kJsonPlain.plain[c]) {
      *w++ = static_cast<char>(c);
      ++i;
      continue;
    }
    if (c >= 0x80) {
      const size_t length = Utf8Length(p + i, n - i);
      if (length == 0) {
        std::memcpy(w, "\\ufffd", 6);
        w += 6;
        wellFormed = false;
        ++i;
      } else {
        std::memcpy(w, p + i, length);
        w += length;
        i += length;
      }
      continue;
    }
    *w++ = '\\';
    switch (c) {
      case '"': *w++ = '"'; break;
      case '\\': *w++ = '\\'; break;
      case '\n': *w++ = 'n'; break;
      case '\r': *w++ = 'r'; break;
      case '\t': *w++ = 't'; break;
      default:
        std::memcpy(w, "u00", 3);
        w[3] = kHex[c >> 4];
        w[4] = kHex[c & 15];
        w += 5;
    }
    ++i;
  }
  *w++ = '"';
  out.Commit(static_cast<size_t>(w - start));
  return wellFormed;
}

void AppendJsonField(Buffer& out, const char* key, std::string_view text, bool first) {
  const size_t keyLength = std::strlen(key);
  char* w = out.Room(keyLength + 4);
  if (!first) *w++ = ',';
  *w++ = '"';
  std::memcpy(w, key, keyLength);
  w += keyLength;
  *w++ = '"';
  *w++ = ':';
  out.Commit(keyLength + (first ? 3 : 4));
  if (!AppendJson(out, text)) AppendHexField(out, key, text);
}

void AppendHex(std::string& out, std::string_view bytes) {
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
}

bool ReadHex(std::string_view text, std::string& bytes, size_t* bad) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  bytes.clear();
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == ':') {
      ++i;
      continue;
    }
    const int high = digit(c);
    const int low = i + 1 < text.size() ? digit(text[i + 1]) : -1;
    if (high < 0 || low < 0) {
      *bad = high < 0 ? i : i + 1;
      return false;
    }
    bytes += static_cast<char>(high << 4 | low);
    i += 2;
  }
  return true;
}

void AppendHexField(Buffer& out, const char* key, std::string_view text) {
  out += ",\"";
  out += key;
  out += "Hex\":\"";
  char* h = out.Room(text.size() * 2);
  for (unsigned char c : text) {
    *h++ = kHex[c >> 4];
    *h++ = kHex[c & 15];
  }
  out.Commit(text.size() * 2);
  out += '"';
}

void AppendNumber(Buffer& out, int64_t value) {
  char* w = out.Room(24);
  out.Commit(static_cast<size_t>(std::to_chars(w, w + 24, value).ptr - w));
}

void AppendShown(Buffer& out, std::string_view text, bool backslash) {
  char* const start = out.Room(text.size() * 4);
  char* w = start;
  for (unsigned char c : text) {
    if (IsControl(c)) {
      *w++ = '\\';
      *w++ = 'x';
      *w++ = kHex[c >> 4];
      *w++ = kHex[c & 15];
    } else if (backslash && c == '\\') {
      *w++ = '\\';
      *w++ = '\\';
    } else {
      *w++ = static_cast<char>(c);
    }
  }
  out.Commit(static_cast<size_t>(w - start));
}

std::string ShowControls(std::string_view text, bool backslash) {
  Buffer out;
  AppendShown(out, text, backslash);
  return std::string(out.View());
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
