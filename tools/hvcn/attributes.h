// Names of the standard attributes for people: a readable name, the default
// X.400 tag (where the attribute has one), and the token names.
#pragma once

#include <cstdint>
#include <string>

#include "hvcn.h"

namespace cli {

struct AttributeName {
  int32_t id;
  const char* name;  // "surname", "ou1", "ddav1-tx", ...
  const char* tag;   // default X.400 tag, or ""
};

// The row of a standard attribute ID, or nullptr.
const AttributeName* AttributeById(int32_t id);

// An attribute by readable name, X.400 tag (any letter case) or number;
// 0 when unknown.
int32_t AttributeIdFromText(const std::string& text);

// "surname (1)" for a standard ID, "attribute 116" otherwise.
std::string DescribeAttribute(int32_t id);

// The meaning of a token ID: "CANON", "attribute surname (1)", "user attribute (position 0)"...
std::string DescribeToken(int32_t id);

// The JSON array of every non-empty value a format holds, one object each
// with "id", "name", "tag", "teletex" and "value" (the form `hvcn parse
// --json` prints).
std::string AttributesJson(hvcnFormat* format);

}  // namespace cli
