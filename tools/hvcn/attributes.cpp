#include "attributes.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "cli.h"

namespace cli {
namespace {

constexpr int32_t kLastId = hvcnATTRIBUTE_ID_LAST;

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

std::vector<std::string> AttributeWords() {
  std::vector<std::string> words;
  auto add = [&](const char* word) {
    if (*word && std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
  };
  for (int32_t id = 1; id <= kLastId; ++id)
    if (const hvcnAttributeInfo* a = AttributeById(id)) add(a->name);
  for (int32_t id = 1; id <= kLastId; ++id)
    if (const hvcnAttributeInfo* a = AttributeById(id)) add(a->tag);
  return words;
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

namespace {

// The text of a held value as hvcnGetAttributeValue copies it, read in
// place: its offset and length in nameBuffer, the foreign-address marker
// standing for "RFC-822".
std::string_view HeldText(const hvcnFormat& f, const hvcnAttribute& record) {
  if (record.valueLength == hvcnVALUE_FOREIGN) return "RFC-822";
  constexpr uint32_t kBuffer = sizeof f.nameBuffer - 1;
  const uint32_t offset = std::min(record.valueOffset, kBuffer);
  return std::string_view(f.nameBuffer + offset, std::min(record.valueLength, kBuffer - offset));
}

}  // namespace

void CollectHeldValues(const hvcnFormat& format, std::vector<HeldValue>& values) {
  values.clear();
  // The slots that hold a value, as bits: found without a branch for each
  // slot, then visited in order.
  const hvcnAttribute* records = format.attributes;
  constexpr int kWords = (hvcnATTRIBUTE_COUNT + 63) / 64;
  uint64_t held[kWords];
  for (int word = 0; word < kWords; ++word) {
    uint64_t bits = 0;
    const int end = std::min(hvcnATTRIBUTE_COUNT, (word + 1) * 64);
    for (int slot = word * 64; slot < end; ++slot) {
      const uint32_t length = records[slot].valueLength;
      bits |= static_cast<uint64_t>((length != 0) & (length != hvcnVALUE_ABSENT)) << (slot & 63);
    }
    held[word] = bits;
  }
  for (int word = 0; word < kWords; ++word) {
    for (uint64_t bits = held[word]; bits; bits &= bits - 1) {
      const int slot = word * 64 + std::countr_zero(bits);
      const hvcnAttribute& record = records[slot];
      if (record.id == 0) continue;
      const hvcnAttributeInfo* info = AttributeById(record.id);
      values.push_back({record.id, std::string_view(record.name, strnlen(record.name, sizeof record.name)),
                        HeldText(format, record), record.valueOffset, info,
                        info && (info->flags & hvcnAINFO_TELETEX) != 0});
    }
  }
}

// The JSON text of a standard attribute up to its value, made once:
// {"id":1,"name":"surname","tag":"s","teletex":false,"value":
const std::string& AttributesJson::Prefix(const HeldValue& v) {
  std::string& prefix = prefixes_[v.id];
  if (prefix.empty()) {
    Buffer text;
    const hvcnAttributeInfo* known = v.info;
    text += "{\"id\":";
    AppendNumber(text, v.id);
    AppendJsonField(text, "name", known->name);
    AppendJsonField(text, "tag", known->tag);
    text += v.teletex ? ",\"teletex\":true,\"value\":" : ",\"teletex\":false,\"value\":";
    prefix = text.View();
  }
  return prefix;
}

void AttributesJson::Append(Buffer& out, const std::vector<HeldValue>& values) {
  out += '[';
  for (size_t i = 0; i < values.size(); ++i) {
    const HeldValue& v = values[i];
    if (i) out += ',';
    if (v.info) {
      out += Prefix(v);
      if (!AppendJson(out, v.value)) AppendHexField(out, "value", v.value);
    } else {
      out += "{\"id\":";
      AppendNumber(out, v.id);
      AppendJsonField(out, "name", v.userName);
      out += ",\"tag\":\"\",\"teletex\":false";
      AppendJsonField(out, "value", v.value);
    }
    out += '}';
  }
  out += ']';
}

void AttributesJson::AppendHeld(Buffer& out, const hvcnFormat& format) {
  CollectHeldValues(format, held_);
  Append(out, held_);
}

int32_t NameWriter::ORAddress(hvcnFormat& format, uint32_t flags, std::string_view* text) {
  const int32_t status = CallSized(text_, [&](char* buffer, uint32_t size, uint32_t* needed) {
    return hvcnFormatORAddress(&format, buffer, size, needed, flags);
  });
  *text = status == hvcnSUCCESS ? std::string_view(text_.c_str()) : std::string_view();
  return status;
}

int32_t NameWriter::DerHex(hvcnFormat& format, uint32_t flags, std::string_view* text) {
  if (der_.empty()) der_.resize(256);
  uint32_t length = 0;
  int32_t status = hvcnEncodeORAddress(&format, der_.data(), static_cast<uint32_t>(der_.size()), &length, flags);
  if (status == hvcnERR_BUFFER_TOO_SMALL && length > der_.size()) {
    der_.resize(length);
    status = hvcnEncodeORAddress(&format, der_.data(), length, &length, flags);
  }
  *text = {};
  if (status != hvcnSUCCESS) return status;
  text_.clear();
  AppendHex(text_, std::string_view(der_.data(), length));
  *text = text_;
  return status;
}

}  // namespace cli
