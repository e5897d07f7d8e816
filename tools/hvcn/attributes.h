// The standard attributes as the library describes them
// (hvcnGetAttributeInfo): the names the tool prints and reads, the X.400 tags
// in force, the standard O/R address labels; and the meaning of token IDs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hvcn.h"

#include "hvcn.h"

namespace cli {

// The library's description of a standard attribute ID, or nullptr.
const hvcnAttributeInfo* AttributeById(int32_t id);

// An attribute by readable name, X.400 tag (any letter case) or number;
// 0 when unknown.
int32_t AttributeIdFromText(std::string_view text);

// The X.400 tags in force, in ID order, each once; the domain-defined
// prefix is shown as "dd.TYPE".
std::vector<std::string> KnownTags();

// Is the text (any letter case) a standard O/R address label ("G",
// "PRMD", "OU1", "DDA:TYPE" ...)? And is it one of the X.400 tags in force?
bool IsStandardLabel(std::string_view text);
bool IsTag(std::string_view text);

// "surname (1)" for a standard ID, "attribute 116" otherwise.
std::string DescribeAttribute(int32_t id);

// The meaning of a token ID: "CANON", "surname (1)", "user attribute named by token 0"...
std::string DescribeToken(int32_t id);

// The JSON array of every non-empty value a format holds, one object each
// with "id", "name", "tag", "teletex" and "value" (the form `hvcn parse
// --json` prints).
std::string AttributesJson(hvcnFormat* format);

}  // namespace cli
