// Helpers for tests through the exports: formats readied by a format
// string, exactly sized inputs, settings and flags written as short words in
// golden data, and the held values as one comparable text.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "hvcn.h"

namespace hvcn::test {

// A new format readied by hvcnParseFormatString (NULL: the configured default).
inline std::unique_ptr<hvcnFormat> Parsed(const char* formatString = "%(CANON)%(EFA)%(X400)") {
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnParseFormatString(formatString, f.get()), hvcnSUCCESS) << (formatString ? formatString : "NULL");
  return f;
}

// An exactly sized copy of a text, so reading past its NUL is caught.
inline std::unique_ptr<char[]> Exact(const std::string& text) {
  auto copy = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(copy.get(), text.c_str(), text.size() + 1);
  return copy;
}

// "-" stands for the default format string.
inline const char* FormatArgument(const std::string& text) {
  return text == "-" ? "%(CANON)%(EFA)%(X400)" : text.c_str();
}

// Parse flags: C complete, T prefer teletex, R reinterpret.
inline uint32_t ParseFlags(const std::string& text) {
  uint32_t flags = 0;
  for (char c : text) {
    if (c == 'C') flags |= hvcnPARSE_COMPLETE;
    if (c == 'T') flags |= hvcnPARSE_PREFER_TELETEX;
    if (c == 'R') flags |= hvcnPARSE_REINTERPRET;
  }
  return flags;
}

inline uint32_t Hex(const std::string& text) { return static_cast<uint32_t>(std::stoul(text, nullptr, 16)); }

inline std::string HexText(uint32_t value) {
  std::ostringstream out;
  out << "0x" << std::hex << value;
  return out.str();
}

// The text of a held value ("RFC-822" for the foreign-address marker).
inline std::string HeldText(const hvcnFormat& f, const hvcnAttribute& record) {
  if (record.valueLength == hvcnVALUE_FOREIGN) return "RFC-822";
  return std::string(f.nameBuffer + record.valueOffset, record.valueLength);
}

// Every held value in slot order as name=value joined by '|' (without the
// empty ones on request).
inline std::string HeldValues(const hvcnFormat& f, bool skipEmpty = false) {
  std::string out;
  for (const auto& record : f.attributes) {
    if (record.id == 0 || record.valueLength == hvcnVALUE_ABSENT || (skipEmpty && record.valueLength == 0)) continue;
    if (!out.empty()) out += '|';
    out += std::string(record.name) + "=" + HeldText(f, record);
  }
  return out;
}

// The personal name: s, g, i, q and their twins, present ones only.
inline std::string PersonalParts(const hvcnFormat& f) {
  static const struct {
    int slot;
    const char* name;
  } kParts[] = {{0, "s"}, {1, "g"}, {2, "i"}, {3, "q"}, {25, "s-tx"}, {26, "g-tx"}, {27, "i-tx"}, {28, "q-tx"}};
  std::string out;
  for (const auto& part : kParts) {
    const hvcnAttribute& record = f.attributes[part.slot];
    if (record.valueLength == hvcnVALUE_ABSENT) continue;
    if (!out.empty()) out += ' ';
    out += std::string(part.name) + "=" + HeldText(f, record);
  }
  return out;
}

}  // namespace hvcn::test
