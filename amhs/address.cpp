#include "amhs/address.h"

#include <array>
#include <cstring>
#include <utility>

#include "core/ascii.h"
#include "format/format.h"
#include "internal_form/internal_form.h"
#include "model/catalogue.h"
#include "model/held_value.h"
#include "model/slots.h"
#include "orname/forms.h"

namespace hvcn::amhs {
namespace {

constexpr char kDdaTag = '\xF0';

// Where each catalogue slot's value goes in a key: its base slot (a teletex
// twin's), or -1 for the domain-defined attributes, which are read in pairs.
constexpr std::array<int8_t, model::kStandardSlots> kKeySlot = [] {
  std::array<int8_t, model::kStandardSlots> table{};
  for (int slot = 0; slot < model::kStandardSlots; ++slot) {
    const model::Group group = model::RowOf(slot).group;
    const int base = model::IsTeletexVariant(slot) ? model::BaseOf(slot) : -1;
    table[static_cast<size_t>(slot)] =
        static_cast<int8_t>(group == model::Group::DdaType || group == model::Group::DdaValue ? -1
                            : base >= 0                                                       ? base
                                                                                              : slot);
  }
  return table;
}();
static_assert(model::kStandardSlots < 0xF0, "a slot's tag never looks like the domain-defined tag");

// The slots a shape looks at, and where the shape keeps each.
struct ShapeSlot {
  model::Slot slot;
  Shape::Part part;
};
constexpr ShapeSlot kShapeSlots[] = {
    {model::kCountry, Shape::kC}, {model::kAdmd, Shape::kAdmd}, {model::kPrmd, Shape::kPrmd},
    {model::kOrganization, Shape::kO}, {model::kOu1, Shape::kOu1}, {model::kCommonName, Shape::kCn},
};
// The same by slot (kParts: any other attribute).
constexpr std::array<Shape::Part, model::kStandardSlots> kShapeOfSlot = [] {
  std::array<Shape::Part, model::kStandardSlots> table{};
  for (auto& part : table) part = Shape::kParts;
  for (const ShapeSlot& s : kShapeSlots) table[s.slot] = s.part;
  return table;
}();

void Note(Shape* shape, int slot, std::string_view value) noexcept {
  const Shape::Part part = kShapeOfSlot[static_cast<size_t>(slot)];
  if (part == Shape::kParts) {
    shape->other = true;
    return;
  }
  Shape::Value& v = shape->part[part];
  v.length = static_cast<uint32_t>(value.size());
  for (size_t i = 0; i < value.size() && i < sizeof v.text; ++i) v.text[i] = ascii::Upper(value[i]);
}

// A held value as it is to be written; empty when absent. A typed name's
// is copied into `scratch` without its escapes.
std::string_view ValueText(const hvcnFormat* format, int slot, char* scratch) noexcept {
  if (slot < 0 || format->attributes[slot].valueLength == hvcnVALUE_ABSENT) return {};
  if (format->nameType != -1) return model::ValueOf(format, slot).text;
  return {scratch, static_cast<size_t>(internal_form::CopyStoredValue(format, slot, scratch, nullptr) - scratch)};
}

}  // namespace

void PrepareScratch(hvcnFormat* format) noexcept {
  *format = hvcnFormat{};  // its reserved tail too: the scratch takes no refusal notes
  format::InitialiseFormat(format);
  std::memcpy(format->attributes, model::CatalogueRecords(true), sizeof(hvcnAttribute) * model::kStandardSlots);
  format->flags = hvcnFMT_READY;
}

int32_t ReadMfAddress(orname::NameBuilder& builder, std::string_view text) noexcept {
  if (text.empty() || text.front() != '/')
    return builder.Refuse(hvcnERR_BAD_X400, orname::detail::kNotLabelValue, {text.substr(0, 40), 1});
  const char* begin = text.data();
  if (int32_t status = orname::ReadStdOrComponents(builder, begin, begin, begin + text.size(), 0)) return status;
  return HoldAsReadName(builder);
}

uint32_t WriteValueList(const hvcnFormat* format, char* out) noexcept {
  uint32_t n = 0;
  for (int slot = 0; slot < model::kStandardSlots; ++slot) {
    if (format->attributes[slot].valueLength == hvcnVALUE_ABSENT) continue;
    const std::string_view text = model::ValueOf(format, slot).text;
    const auto length = static_cast<uint16_t>(text.size());
    if (out) {
      out[n] = static_cast<char>(slot);
      std::memcpy(out + n + 1, &length, sizeof length);
      std::memcpy(out + n + 3, text.data(), text.size());
    }
    n += 3 + length;
  }
  return n;
}

int32_t HoldValueList(orname::NameBuilder& builder, std::string_view list, bool* damaged) noexcept {
  while (!list.empty()) {
    uint16_t length = 0;
    const auto slot = static_cast<uint8_t>(list[0]);
    if (list.size() >= 3) std::memcpy(&length, list.data() + 1, sizeof length);
    if (list.size() < 3 || slot >= model::kStandardSlots || length > list.size() - 3) {
      *damaged = true;
      return hvcnERR_BAD_PARAMETER;
    }
    if (int32_t status = builder.TakeText({model::RowOf(slot).label, 0}, slot, list.substr(3, length))) return status;
    list.remove_prefix(3 + length);
  }
  return HoldAsReadName(builder);
}

// Until the O/R address reader offers one step that also keeps a later
// hvcnPARSE_REINTERPRET from turning the name into a typed one, finishing
// the builder is that step.
int32_t HoldAsReadName(orname::NameBuilder& builder) noexcept { return builder.Finish(); }

bool KeyBuilder::Put(std::string_view text) noexcept {
  if (text.size() > kSize - used_) return false;
  for (char c : text) entries_[used_++] = ascii::Upper(c);
  return true;
}

bool KeyBuilder::Add(int slot, std::string_view value) noexcept {
  if (value.empty()) return true;
  const size_t size = value.size() + 2;
  if (count_ == kMaxEntries || size > kSize - used_) return false;
  char* out = entries_ + used_;
  *out++ = static_cast<char>(slot + 1);
  for (char c : value) *out++ = ascii::Upper(c);
  *out = '\0';
  start_[count_] = used_;
  length_[count_++] = static_cast<uint32_t>(size);
  used_ += static_cast<uint32_t>(size);
  return true;
}

bool KeyBuilder::AddDda(std::string_view type, std::string_view value) noexcept {
  if (count_ == kMaxEntries) return false;
  start_[count_] = used_;
  if (!Put({&kDdaTag, 1}) || !Put(type) || !Put({"", 1}) || !Put(value) || !Put({"", 1})) return false;
  length_[count_] = used_ - start_[count_];
  ++count_;
  return true;
}

std::string_view KeyBuilder::Finish() noexcept {
  const auto entry = [this](uint32_t i) { return std::string_view(entries_ + start_[i], length_[i]); };
  // The tags (first bytes) mostly decide.
  const auto before = [&](uint32_t a, uint32_t b) {
    const auto x = static_cast<unsigned char>(entries_[start_[a]]), y = static_cast<unsigned char>(entries_[start_[b]]);
    return x != y ? x < y : entry(a) < entry(b);
  };
  // Entries come mostly in order already (slot order): then they are the key.
  bool sorted = true;
  for (uint32_t i = 1; i < count_ && sorted; ++i) sorted = !before(i, i - 1);
  if (sorted) return {entries_, used_};
  for (uint32_t i = 1; i < count_; ++i) {  // few entries: an insertion sort
    for (uint32_t k = i; k > 0 && before(k, k - 1); --k) {
      std::swap(start_[k], start_[k - 1]);
      std::swap(length_[k], length_[k - 1]);
    }
  }
  uint32_t n = 0;
  for (uint32_t i = 0; i < count_; ++i) {
    std::memcpy(key_ + n, entries_ + start_[i], length_[i]);
    n += length_[i];
  }
  return {key_, n};
}

bool ReadHeldAddress(const hvcnFormat* format, KeyBuilder* key, Shape* shape) noexcept {
  char value[sizeof(hvcnFormat::nameBuffer)], type[sizeof(hvcnFormat::nameBuffer)];
  // The slots that hold values, found without a branch per record (the
  // foreign-address marker, a domain-defined type's, is not counted here).
  uint8_t held[model::kStandardSlots];
  uint32_t count = 0;
  static_assert(model::kStandardSlots % 2 == 0);
  for (int slot = 0; slot < model::kStandardSlots; slot += 2) {  // two at a time: the loop is most of the cost
    held[count] = static_cast<uint8_t>(slot);
    count += format->attributes[slot].valueLength - 1u < hvcnVALUE_ABSENT - 1u;
    held[count] = static_cast<uint8_t>(slot + 1);
    count += format->attributes[slot + 1].valueLength - 1u < hvcnVALUE_ABSENT - 1u;
  }
  bool dda = false;
  for (uint32_t i = 0; i < count; ++i) {
    const int slot = held[i];
    const int keySlot = kKeySlot[static_cast<size_t>(slot)];
    if (keySlot < 0) {
      dda = true;
      continue;
    }
    const std::string_view text = ValueText(format, slot, value);
    if (!key->Add(keySlot, text)) return false;
    if (shape) Note(shape, slot, text);
  }
  for (const model::DdaPair& pair : model::kDdaPairs) dda |= format->attributes[pair.type].valueLength == hvcnVALUE_FOREIGN;
  for (const model::DdaPair& pair : model::kDdaPairs) {
    if (!dda) break;
    std::string_view t = ValueText(format, pair.type, type), v = ValueText(format, pair.value, value);
    if (t.empty()) t = ValueText(format, model::TwinOf(pair.type), type);
    if (v.empty()) v = ValueText(format, model::TwinOf(pair.value), value);
    if (t.empty() && v.empty()) continue;
    if (!key->AddDda(t, v)) return false;
    if (shape) shape->other = true;
  }
  return true;
}

}  // namespace hvcn::amhs
