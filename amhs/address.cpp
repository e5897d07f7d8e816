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
  Shape::Value Shape::*value;
};
constexpr ShapeSlot kShapeSlots[] = {
    {model::kCountry, &Shape::c}, {model::kAdmd, &Shape::admd}, {model::kPrmd, &Shape::prmd},
    {model::kOrganization, &Shape::o}, {model::kOu1, &Shape::ou1}, {model::kCommonName, &Shape::cn},
};

void Note(Shape* shape, int slot, std::string_view value) noexcept {
  for (const ShapeSlot& s : kShapeSlots) {
    if (s.slot != slot) continue;
    Shape::Value& v = shape->*(s.value);
    v.length = static_cast<uint32_t>(value.size());
    for (size_t i = 0; i < value.size() && i < sizeof v.text; ++i) v.text[i] = ascii::Upper(value[i]);
    return;
  }
  shape->other = true;
}

// A held value as it is to be written; empty when absent.
std::string_view CopyValue(const hvcnFormat* format, int slot, char* out) noexcept {
  if (!model::IsPresent(format, slot)) return {};
  return {out, static_cast<size_t>(internal_form::CopyStoredValue(format, slot, out, nullptr) - out)};
}

}  // namespace

void PrepareScratch(hvcnFormat* format) noexcept {
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
  if (count_ == kMaxEntries) return false;
  start_[count_] = used_;
  const char tag[1] = {static_cast<char>(slot + 1)};
  if (!Put({tag, 1}) || !Put(value) || !Put({"", 1})) return false;
  length_[count_] = used_ - start_[count_];
  ++count_;
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
  // Few entries: an insertion sort.
  for (uint32_t i = 1; i < count_; ++i) {
    for (uint32_t k = i; k > 0 && entry(k) < entry(k - 1); --k) {
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
  for (int slot = 0; slot < model::kStandardSlots; ++slot) {
    const int keySlot = kKeySlot[static_cast<size_t>(slot)];
    if (keySlot < 0) continue;
    const std::string_view text = CopyValue(format, slot, value);
    if (text.empty()) continue;
    if (!key->Add(keySlot, text)) return false;
    if (shape) Note(shape, slot, text);
  }
  for (const model::DdaPair& pair : model::kDdaPairs) {
    std::string_view t = CopyValue(format, pair.type, type), v = CopyValue(format, pair.value, value);
    if (t.empty()) t = CopyValue(format, model::TwinOf(pair.type), type);
    if (v.empty()) v = CopyValue(format, model::TwinOf(pair.value), value);
    if (t.empty() && v.empty()) continue;
    if (!key->AddDda(t, v)) return false;
    if (shape) shape->other = true;
  }
  return true;
}

}  // namespace hvcn::amhs
