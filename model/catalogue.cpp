#include "model/catalogue.h"

#include <array>
#include <cstring>

#include "core/ascii.h"
#include "core/strings.h"
#include "core/text_format.h"
#include "core/trace.h"
#include "model/tag_names.h"

namespace hvcn::model {
namespace {

// A user attribute's name holds at most this many characters.
constexpr size_t kMaxUserName = 25;

constexpr std::array<hvcnAttribute, kStandardSlots> MakeCatalogue() {
  std::array<hvcnAttribute, kStandardSlots> catalogue{};
  for (int32_t id = 1; id <= kMaxStandardId; ++id) {
    int slot = SlotOfId(id);
    if (slot < 0) continue;
    hvcnAttribute& record = catalogue[static_cast<size_t>(slot)];
    record.id = id;
    char digits[4] = {};
    int n = 0;
    for (int32_t v = id; v > 0; v /= 10) digits[n++] = static_cast<char>('0' + v % 10);
    for (int i = 0; i < n; ++i) record.name[i] = digits[n - 1 - i];
  }
  return catalogue;
}

constexpr std::array<hvcnAttribute, kStandardSlots> kCatalogue = MakeCatalogue();

// The same records holding no value, as a fresh parse wants them.
constexpr std::array<hvcnAttribute, kStandardSlots> kCatalogueAbsent = [] {
  auto catalogue = MakeCatalogue();
  for (auto& record : catalogue) record.valueLength = hvcnVALUE_ABSENT;
  return catalogue;
}();

static_assert(kCatalogue[kSurname].id == hvcnATT_SURNAME && kCatalogue[kSurname].name[0] == '1');
static_assert(kCatalogue[kE163Number].id == hvcnATT_E163_NUMBER);
static_assert(kCatalogue[kExtPdComponentsTx].id == hvcnATT_EXT_PD_COMPONENTS_TX);

bool NameEquals(const hvcnAttribute& record, const char* name, size_t length) noexcept {
  return NameLength(record) == length && ascii::EqualNoCase(record.name, name, length);
}

}  // namespace

const hvcnAttribute& CatalogueRecord(int slot) noexcept { return kCatalogue[static_cast<size_t>(slot)]; }

const hvcnAttribute* CatalogueRecords(bool valuesAbsent) noexcept {
  return valuesAbsent ? kCatalogueAbsent.data() : kCatalogue.data();
}

size_t NameLength(const hvcnAttribute& record) noexcept {
  size_t n = 0;
  while (n < sizeof record.name - 1 && record.name[n] != '\0') ++n;
  return n;
}

int32_t IdOfSlot(const hvcnAttribute* records, int slot) noexcept {
  if (slot < 0 || slot >= kSlotCount) {
    trace::If(trace::kError, trace::tag::kError, "GATNFI: %u is too high", static_cast<uint32_t>(slot));
    return -1;
  }
  if (records[slot].id != 0) return records[slot].id;
  for (int32_t id = 1; id <= kMaxStandardId; ++id)
    if (SlotOfId(id) == slot) return id;
  return -1;
}

int FindUserById(const hvcnFormat* format, int32_t id) noexcept {
  for (int slot = kFirstUserSlot; slot < kSlotCount; ++slot)
    if (format->attributes[slot].id == id) return slot;
  return -1;
}

int FindUserByName(const hvcnFormat* format, const char* name, size_t length) noexcept {
  for (int slot = kFirstUserSlot; slot < kSlotCount; ++slot) {
    const hvcnAttribute& record = format->attributes[slot];
    if (record.id != 0 && NameEquals(record, name, length)) return slot;
  }
  return -1;
}

int FindUserByName(const hvcnFormat* format, const char* name) noexcept {
  return FindUserByName(format, name, std::strlen(name));
}

int FindSlotById(const hvcnFormat* format, int32_t id) noexcept {
  for (int slot = 0; slot < kSlotCount; ++slot)
    if (format->attributes[slot].id == id) return slot;
  return -1;
}

int FreeUserSlot(const hvcnFormat* format) noexcept {
  for (int slot = kFirstUserSlot; slot < kSlotCount; ++slot)
    if (format->attributes[slot].id == 0) return slot;
  trace::WriteLine(trace::tag::kError, "GFUA: There are no more free slots for user attribute.");
  return -1;
}

int32_t GetUserAttribute(hvcnFormat* format, const char* name, int32_t id, int* slot) noexcept {
  int found = id < 1 ? (name ? FindUserByName(format, name) : -1) : FindUserById(format, id);
  if (found >= 0) {
    *slot = found;
    return hvcnSUCCESS;
  }
  int free = FreeUserSlot(format);
  trace::If(trace::kInfo, trace::tag::kInformation, "GFUA call from GetUserAttribute returned %d  (tag=%d)",
            free, id);
  *slot = -1;
  if (free < 0) return hvcnERR_TOO_MANY_USER_ATTRIBUTES;
  // A numbered attribute is named by its number, whatever name was given.
  char number[16];
  const char* text = name ? name : "";
  if (id >= 1) {
    FormatText(number, sizeof number, "%d", id);
    text = number;
  }
  if (std::strlen(text) > kMaxUserName) {
    trace::If(trace::kError, trace::tag::kError, "Attribute tag name too long (%s)", text);
    return hvcnERR_TOKEN_NAME_TOO_LONG;
  }
  hvcnAttribute& record = format->attributes[free];
  CopyText(record.name, sizeof record.name, text);
  record.id = id > 0 ? id : -1;
  *slot = free;
  return hvcnSUCCESS;
}

int AppendAttributeName(const hvcnFormat* format, int slot, bool* marks, char* out,
                        uint32_t room) noexcept {
  if (slot < 0 || slot >= kSlotCount) return -1;
  if (marks && marks[slot]) return 0;
  const hvcnAttribute& record = format->attributes[slot];
  size_t n = NameLength(record);
  if (n + 2 < room) {
    std::memcpy(out, record.name, n);
    out[n] = hvcnCHAR_RS;
    out[n + 1] = '\0';
    if (marks) marks[slot] = true;
    return static_cast<int>(n + 1);
  }
  trace::If(trace::kError, trace::tag::kError, "Insufficient space to add attribute '%s'", NameText(record).text);
  return -1;
}

int32_t DescribeAttribute(int32_t id, hvcnAttributeInfo* info) noexcept {
  const int slot = SlotOfId(id);
  if (slot < 0) return hvcnERR_UNKNOWN_ATTRIBUTE;
  const SlotRow& row = RowOf(slot);
  hvcnAttributeInfo out{};
  out.id = id;
  out.maxLength = row.maximum;
  switch (row.check) {
    case Check::None: out.valueClass = hvcnCHECK_NONE; break;
    case Check::Printable: out.valueClass = hvcnCLASS_PRINTABLE; break;
    case Check::Numeric: out.valueClass = hvcnCLASS_NUMERIC; break;
    case Check::StringAscii: out.flags |= hvcnAINFO_ASCII_ONLY; [[fallthrough]];
    case Check::String: out.valueClass = hvcnCLASS_STRING; break;
    case Check::TeletexOrPrintable: out.valueClass = hvcnCLASS_TELETEX_OR_PRINTABLE; break;
    case Check::Country: out.valueClass = hvcnCHECK_COUNTRY; break;
    case Check::TerminalType: out.valueClass = hvcnCHECK_TERMINAL_TYPE; break;
    case Check::PrintableList: out.valueClass = hvcnCHECK_POSTAL_LINES; break;
  }
  // A variant names its base as twin; ff, its own variant, names itself.
  int twin = VariantOf(slot) == slot ? -1 : VariantOf(slot);
  if (IsTeletexVariant(slot)) {
    out.flags |= hvcnAINFO_TELETEX;
    twin = BaseOf(slot) >= 0 ? BaseOf(slot) : slot;
  }
  out.twinId = twin >= 0 ? RowOf(twin).id : 0;
  switch (row.group) {
    case Group::Personal: out.flags |= hvcnAINFO_PERSONAL; break;
    case Group::DdaType: out.flags |= hvcnAINFO_DDA_TYPE; break;
    case Group::DdaValue: out.flags |= hvcnAINFO_DDA_VALUE; break;
    default: break;
  }
  CopyText(out.name, sizeof out.name, row.name);
  // Every domain-defined type is written with the one DDA prefix tag.
  const TagNames tags;
  const int tag = row.group == Group::DdaType && !IsTeletexVariant(slot) ? tags->ddaIndex : row.tag;
  CopyText(out.tag, sizeof out.tag, tags->Name(tag));
  CopyText(out.label, sizeof out.label, row.label);
  CopyText(out.shortLabel, sizeof out.shortLabel, row.shortLabel);
  *info = out;
  return hvcnSUCCESS;
}

}  // namespace hvcn::model
