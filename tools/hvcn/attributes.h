// The standard attributes as the library describes them
// (hvcnGetAttributeInfo): the names the tool prints and reads, the X.400 tags
// in force, the meaning of token IDs; the values of a held name and its
// standard forms as the commands print them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hvcn.h"
#include "text.h"

namespace cli {

// The library's description of a standard attribute ID, or nullptr.
const hvcnAttributeInfo* AttributeById(int32_t id);

// An attribute by readable name, X.400 tag (any letter case) or number;
// 0 when unknown.
int32_t AttributeIdFromText(std::string_view text);

// The names and the X.400 tags in force of the standard attributes, each
// once: the words the commands read as attributes.
std::vector<std::string> AttributeWords();

// "surname (1)" for a standard ID, "attribute 116" otherwise.
std::string DescribeAttribute(int32_t id);

// The meaning of a token ID: "CANON", "surname (1)", "user attribute named by token 0"...
std::string DescribeToken(int32_t id);

// One value a format holds, read in place (valid while the format holds
// the name).
struct HeldValue {
  int32_t id;
  std::string_view userName;  // a user attribute's name
  std::string_view value;     // as hvcnGetAttributeValue copies it
  uint32_t offset;            // where the value is in the held name's text
  const hvcnAttributeInfo* info;  // a standard attribute's description, else null
  bool teletex;               // a teletex variant (hvcnAINFO_TELETEX)
};

// Every non-empty value the format holds, in slot order.
void CollectHeldValues(const hvcnFormat& format, std::vector<HeldValue>& values);

// Writes held values as the JSON array `hvcn parse --json` prints, one
// object each with "id", "name", "tag", "teletex" and "value" (and
// "valueHex" for a value that is not UTF-8). It keeps the JSON text of
// each attribute up to its value, so one writer serves one thread.
class AttributesJson {
 public:
  void Append(Buffer& out, const std::vector<HeldValue>& values);
  // The values the format holds, as Append writes them.
  void AppendHeld(Buffer& out, const hvcnFormat& format);

 private:
  const std::string& Prefix(const HeldValue& v);
  std::string prefixes_[hvcnATTRIBUTE_ID_LAST + 1];
  std::vector<HeldValue> held_;
};

// Writes held names in the forms the commands print, keeping its buffers
// from name to name (one writer serves one thread). A text written stays
// valid until the next call.
class NameWriter {
 public:
  // An O/R address in a standard text form (hvcnFormatORAddress with its
  // hvcnOR_* flags) in *text; the status.
  int32_t ORAddress(hvcnFormat& format, uint32_t flags, std::string_view* text);
  // The DER encoding (hvcnEncodeORAddress with its hvcnBER_* flags) as
  // lowercase hex in *text; the status.
  int32_t DerHex(hvcnFormat& format, uint32_t flags, std::string_view* text);

 private:
  std::string text_, der_;
};

}  // namespace cli
