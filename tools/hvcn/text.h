// Text as the tool reads and writes it: JSON strings that every strict
// parser takes, the \xHH form of control characters, the check and
// conversion of the input's character encoding, shell quoting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace cli {

// An output text that grows without initialising its room, with inline
// appends: the results of a block of names are built here.
class Buffer {
 public:
  // Makes room for `extra` more bytes.
  void Reserve(size_t extra) {
    if (capacity_ - size_ < extra) Grow(extra);
  }
  // Room for n bytes at the end, to be written and then kept with Commit.
  char* Room(size_t n) {
    Reserve(n);
    return data_.get() + size_;
  }
  void Commit(size_t n) { size_ += n; }
  void Append(const char* text, size_t n) {
    if (n == 0) return;  // an empty Buffer's text is null
    std::memcpy(Room(n), text, n);
    size_ += n;
  }
  Buffer& operator+=(char c) {
    *Room(1) = c;
    ++size_;
    return *this;
  }
  Buffer& operator+=(std::string_view text) {
    Append(text.data(), text.size());
    return *this;
  }
  Buffer& operator+=(const char* text) { return *this += std::string_view(text); }
  Buffer& operator+=(const std::string& text) { return *this += std::string_view(text); }

  std::string_view View() const { return std::string_view(data_.get(), size_); }
  bool Empty() const { return size_ == 0; }
  void Clear() { size_ = 0; }
  void Write(FILE* stream) const {
    if (size_) std::fwrite(data_.get(), 1, size_, stream);
  }

 private:
  void Grow(size_t extra);

  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Appends text as a JSON string literal (with its quotes). Control
// characters become \uXXXX escapes (\n, \r, \t, \", \\ their short forms);
// each byte that is not part of well-formed UTF-8 becomes U+FFFD. Returns
// false when such a byte was met.
bool AppendJson(Buffer& out, std::string_view text);

// Appends ,"key":"text" (without the comma when `first`), and when the text
// is not well-formed UTF-8 also ,"keyHex":"..." with its bytes in hex, so
// that the input can be recovered from the object.
void AppendJsonField(Buffer& out, const char* key, std::string_view text, bool first = false);

// Appends ,"keyHex":"..." with the text's bytes in hex.
void AppendHexField(Buffer& out, const char* key, std::string_view text);

// Appends a number.
void AppendNumber(Buffer& out, int64_t value);

// Appends bytes as lowercase hex without separators.
void AppendHex(std::string& out, std::string_view bytes);

// Reads hex text into bytes: two hex digits (either case) a byte, with
// blanks, tabs and colons allowed between bytes (not inside one). False
// when the text is no such hex; *bad is then the offset of the first
// character at fault (the text's length for an odd last digit).
bool ReadHex(std::string_view text, std::string& bytes, size_t* bad);

// Shows control characters (below 0x20, and 0x7F) as \xHH; with
// `backslash`, a backslash as \\ too, so that the text reads one way only.
// Unescape reads the first form back.
std::string ShowControls(std::string_view text, bool backslash = false);
void AppendShown(Buffer& out, std::string_view text, bool backslash = false);

// Turns \xHH (and <GS>, <RS>, <ETB>, <SUB>, <US>) into bytes; other text
// passes unchanged, backslash escapes of typed names included.
std::string Unescape(std::string_view text);

// The position of the first byte that is not part of well-formed UTF-8,
// or npos.
size_t FirstBadUtf8(std::string_view text);

// The column (from 1) of byte `offset` in the text: characters before it
// plus one, counting a byte that is not UTF-8 as one character.
size_t ColumnOf(std::string_view text, size_t offset);

// The encodings --input-encoding takes.
enum class Encoding { Utf8, Cp1252, Latin1 };
// "utf-8", "cp1252" (windows-1252), "latin1" (iso-8859-1), any letter case;
// false for others.
bool EncodingByName(std::string_view name, Encoding* encoding);
// Converts text in a single-byte encoding to UTF-8.
void ToUtf8(std::string_view text, Encoding encoding, std::string& out);

// The text as a POSIX shell word: in single quotes, or with `always`
// false as it stands when it holds only characters safe in the shell.
std::string ShellQuote(std::string_view text, bool always = false);

}  // namespace cli
