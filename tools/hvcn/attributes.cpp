#include "attributes.h"

#include <cstdlib>

namespace cli {
namespace {

constexpr int32_t kLastId = 82;

// Every standard attribute's description, read from the library once.
struct Catalogue {
  hvcnAttributeInfo rows[kLastId + 1];
  bool known[kLastId + 1];

  Catalogue() : rows{}, known{} {
    for (int32_t id = 1; id <= kLastId; ++id)
      known[id] = hvcnGetAttributeInfo(id, &rows[id], sizeof rows[id]) == hvcnSUCCESS;
  }
};

const Catalogue& TheCatalogue() {
  static const Catalogue catalogue;
  return catalogue;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

const hvcnAttributeInfo* AttributeById(int32_t id) {
  const Catalogue& c = TheCatalogue();
  return id >= 1 && id <= kLastId && c.known[id] ? &c.rows[id] : nullptr;
}

int32_t AttributeIdFromText(std::string_view text) {
  if (text.empty()) return 0;
  const std::string copy(text);
  char* end = nullptr;
  const long number = std::strtol(copy.c_str(), &end, 10);
  if (*end == '\0') return static_cast<int32_t>(number);
  for (int32_t id = 1; id <= kLastId; ++id)
    if (const hvcnAttributeInfo* a = AttributeById(id))
      if (EqualNoCase(text, a->name) || (a->tag[0] && EqualNoCase(text, a->tag))) return id;
  return 0;
}

std::vector<std::string> KnownTags() {
  std::vector<std::string> tags;
  for (int32_t id = 1; id <= kLastId; ++id) {
    const hvcnAttributeInfo* a = AttributeById(id);
    if (!a || !a->tag[0]) continue;
    std::string tag = a->tag;
    if (std::string_view(a->label) == "DDA") tag += "TYPE";
    bool seen = false;
    for (const auto& t : tags) seen = seen || t == tag;
    if (!seen) tags.push_back(tag);
  }
  return tags;
}

bool IsStandardLabel(std::string_view text) {
  if (text.size() > 4 && EqualNoCase(text.substr(0, 4), "DDA:")) return true;
  for (int32_t id = 1; id <= kLastId; ++id)
    if (const hvcnAttributeInfo* a = AttributeById(id))
      if ((a->label[0] && EqualNoCase(text, a->label)) || (a->shortLabel[0] && EqualNoCase(text, a->shortLabel)))
        return true;
  return false;
}

bool IsTag(std::string_view text) {
  for (int32_t id = 1; id <= kLastId; ++id)
    if (const hvcnAttributeInfo* a = AttributeById(id))
      if (a->tag[0] && EqualNoCase(text, a->tag)) return true;
  return false;
}

std::string DescribeAttribute(int32_t id) {
  if (const hvcnAttributeInfo* a = AttributeById(id)) return std::string(a->name) + " (" + std::to_string(id) + ")";
  return "attribute " + std::to_string(id);
}

std::string DescribeToken(int32_t id) {
  switch (id) {
    case hvcnTOKEN_CANON: return "CANON";
    case hvcnTOKEN_NONCANON: return "NONCANON";
    case hvcnTOKEN_X400: return "X400";
    case hvcnTOKEN_EFA: return "EFA";
    default: break;
  }
  if (id >= hvcnTOKEN_POSITION_FIRST && id <= hvcnTOKEN_POSITION_LAST)
    return "user attribute named by token " + std::to_string(id - hvcnTOKEN_POSITION_FIRST);
  if (id > 0) return DescribeAttribute(id);
  return "unused";
}

}  // namespace cli
