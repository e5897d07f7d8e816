// Text as the tool reads and writes it: JSON strings that every strict
// parser takes, the \xHH form of control characters, the check and
// conversion of the input's character encoding, shell quoting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

// Appends text as a JSON string literal (with its quotes). Control
// characters become \uXXXX escapes (\n, \r, \t, \", \\ their short forms);
// each byte that is not part of well-formed UTF-8 becomes U+FFFD. Returns
// false when such a byte was met.
bool AppendJson(std::string& out, std::string_view text);

// Appends ,"key":"text" (without the comma when `first`), and when the text
// is not well-formed UTF-8 also ,"keyHex":"..." with its bytes in hex, so
// that the input can be recovered from the object.
void AppendJsonField(std::string& out, const char* key, std::string_view text, bool first = false);

// Appends a number.
void AppendNumber(std::string& out, int64_t value);

// Shows control characters (below 0x20, and 0x7F) as \xHH; with
// `backslash`, a backslash as \\ too, so that the text reads one way only.
// Unescape reads the first form back.
std::string ShowControls(std::string_view text, bool backslash = false);
void AppendShown(std::string& out, std::string_view text, bool backslash = false);

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
