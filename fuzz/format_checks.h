// Checks of a format structure that several fuzz targets share.
#pragma once

#include <cstring>
#include <memory>
#include <string_view>

#include "fuzz_support.h"

namespace hvcn::fuzz {

// The format strings the library keeps: at most 255 characters.
inline constexpr size_t kFormatStringKept = 255;

inline bool IsSectionToken(int32_t id) { return id >= hvcnTOKEN_EFA && id <= hvcnTOKEN_CANON; }

// The token records after a parse into `tokens` of the text at `text`:
// the records in use come first, each section token has no slot and each
// attribute token names a record in use; every name lies inside the text
// and ends at a ")". After a success the last token (or, with none, the
// first record) carries the last-token flag, and no other record does.
inline void CheckTokens(const hvcnFormat& f, const hvcnToken* tokens, std::string_view text, bool succeeded) {
  int used = 0;
  while (used < hvcnTOKEN_COUNT && tokens[used].id != 0) ++used;
  for (int i = used; i < hvcnTOKEN_COUNT; ++i) Check(tokens[i].id == 0, "tokens in use come first");
  for (int i = 0; i < used; ++i) {
    const hvcnToken& t = tokens[i];
    if (IsSectionToken(t.id)) {
      Check(t.slot == hvcnSLOT_SECTION, "a section token has no slot");
    } else {
      Check(t.slot < hvcnATTRIBUTE_COUNT, "an attribute token names a slot", std::to_string(t.slot));
      Check(f.attributes[t.slot].id != 0, "an attribute token's slot is in use");
    }
    Check(t.name >= text.data() && t.name < text.data() + text.size(), "a token name lies inside its format string");
    const size_t rest = static_cast<size_t>(text.data() + text.size() - t.name);
    Check(std::memchr(t.name, ')', rest) != nullptr, "a token name ends at ')'");
  }
  if (!succeeded) return;
  const int last = used > 0 ? used - 1 : 0;
  for (int i = 0; i < hvcnTOKEN_COUNT; ++i) {
    const bool flagged = (tokens[i].tokenFlags & hvcnTOK_LAST) != 0;
    Check(flagged == (i == last), "exactly the last token carries the last-token flag");
  }
}

// Byte for byte the same formats, token names compared as places in each
// format's own formatString.
inline bool SameFormat(const hvcnFormat& a, const hvcnFormat& b) {
  auto x = std::make_unique<hvcnFormat>(a);
  auto y = std::make_unique<hvcnFormat>(b);
  for (auto& token : x->tokens)
    if (token.name) token.name = reinterpret_cast<const char*>(token.name - a.formatString + 1);
  for (auto& token : y->tokens)
    if (token.name) token.name = reinterpret_cast<const char*>(token.name - b.formatString + 1);
  return std::memcmp(x.get(), y.get(), sizeof(hvcnFormat)) == 0;
}

// The fixed-size texts of a format are terminated inside their fields.
inline void CheckTerminated(const hvcnFormat& f) {
  Check(FieldTerminated(f.formatString), "formatString terminated");
  Check(FieldTerminated(f.nameBuffer), "nameBuffer terminated");
  Check(FieldTerminated(f.errorDetail), "errorDetail terminated");
  Check(FieldTerminated(f.escapeList), "escapeList terminated");
  for (const hvcnAttribute& a : f.attributes)
    if (a.id != 0) Check(FieldTerminated(a.name), "attribute name terminated");
}

}  // namespace hvcn::fuzz
