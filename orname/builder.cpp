#include "orname/builder.h"

#include <cstring>

#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "format/format.h"
#include "model/held_value.h"
#include "model/validate.h"
#include "orname/labels.h"
#include "orname/values.h"

namespace hvcn::orname {
namespace {

constexpr uint32_t kBufferSize = sizeof(hvcnFormat::nameBuffer);
constexpr size_t kLabelShown = 40;  // bytes of a label a detail text shows

using ascii::IsDigit;

bool IsAlpha(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// OU5, OU6 ...: an organisational unit beyond the fourth.
bool IsLaterOrgUnit(std::string_view label) noexcept {
  if (label.size() < 3 || !EqualNoCase(label.substr(0, 2), "OU")) return false;
  uint32_t number = 0;
  for (char c : label.substr(2)) {
    if (!IsDigit(c)) return false;
    number = number < 1000 ? number * 10 + static_cast<uint32_t>(c - '0') : number;
  }
  return number > model::kOrgUnitSlots.size();
}

// Removes every '.' of the NUL-terminated text in place.
void DropDots(char* text) noexcept {
  char* out = text;
  for (const char* p = text; *p; ++p)
    if (*p != '.') *out++ = *p;
  *out = '\0';
}

}  // namespace

bool UnspellRfc822(char* text) noexcept {
  char* out = text;
  for (const char* p = text; *p;) {
    if (*p != '(') {
      *out++ = *p++;
      continue;
    }
    const char letter = static_cast<char>(p[1] >= 'A' && p[1] <= 'Z' ? p[1] - 'A' + 'a' : p[1]);
    bool done = false;
    if (letter && p[2] == ')') {
      for (const Rfc822Letter& entry : kRfc822Letters)
        if (entry.letter == letter) {
          *out++ = entry.character;
          p += 3;
          done = true;
          break;
        }
    }
    if (!done && IsDigit(p[1]) && IsDigit(p[2]) && IsDigit(p[3]) && p[4] == ')') {
      const int code = (p[1] - '0') * 100 + (p[2] - '0') * 10 + (p[3] - '0');
      if (code < 0x20 || code > 0xFF || code == 0x7F) return false;
      *out++ = static_cast<char>(code);
      p += 5;
      done = true;
    }
    if (!done) *out++ = *p++;
  }
  *out = '\0';
  return true;
}

uint32_t ColumnOf(const char* text, const char* at, uint32_t base) noexcept {
  uint32_t column = base + 1;
  for (const char* p = text; p < at && *p; Step(p)) ++column;
  return column;
}

PersonalName SplitPersonalName(std::string_view text) noexcept {
  PersonalName name{};
  auto partEnd = [&](size_t from) noexcept {
    const size_t dot = text.find('.', from);
    return dot == std::string_view::npos ? text.size() : dot;
  };
  size_t start = 0;
  size_t end = partEnd(0);
  if (end < text.size() && end >= 2) {
    name.given = text.substr(0, end);
    start = end + 1;
  }
  for (;;) {
    end = partEnd(start);
    if (end == text.size() || end - start != 1 || !IsAlpha(text[start]) ||
        name.initialCount == sizeof name.initials)
      break;
    name.initials[name.initialCount++] = text[start];
    start = end + 1;
  }
  name.surname = text.substr(start);
  name.valid = !name.surname.empty();
  return name;
}

NameBuilder::NameBuilder(hvcnFormat* format) noexcept : format_(format) { format::StartReadName(format); }

int32_t NameBuilder::Refuse(int32_t status, uint16_t detailId, const Where& where) noexcept {
  char label[kLabelShown + 1];
  const size_t n = where.label.size() < kLabelShown ? where.label.size() : kLabelShown;
  if (n > 0) std::memcpy(label, where.label.data(), n);
  label[n] = '\0';
  if (detailId == detail::kControlCharacter)
    RecordDetailWith(format_, detailId, where.column);
  else
    RecordDetailWith(format_, detailId, label, where.column);
  trace::If(trace::kError, trace::tag::kError, "ORN: %s", format_->errorDetail);
  return status;
}

bool NameBuilder::Put(char c) noexcept {
  if (length_ >= kBufferSize) return false;
  format_->nameBuffer[length_++] = c;
  return true;
}

bool NameBuilder::PutText(std::string_view text) noexcept {
  if (text.size() >= kBufferSize - length_) return false;
  if (!text.empty()) std::memcpy(format_->nameBuffer + length_, text.data(), text.size());
  length_ += static_cast<uint32_t>(text.size());
  return true;
}

int32_t NameBuilder::Full(const Where& where) noexcept {
  trace::If(trace::kError, trace::tag::kError, "ORN: The address does not fit the held name (at column %u)",
            where.column);
  return hvcnERR_NAME_TOO_LONG;
}

// A value as written in its form, into nameBuffer: in the ";" form a
// doubled separator stands for one; in the "/" form '$' quotes the next
// character, an unquoted '=' is refused, and (when `split`) an unquoted '*'
// ends the printable part and starts the teletex part, in which "{ddd}" is
// the character of decimal code ddd.
int32_t NameBuilder::Decode(const Where& where, const char* begin, const char* end, Form form, char separator,
                            bool split, Parts* parts) noexcept {
  parts->printable = length_;
  parts->teletex = -1;
  bool teletex = false;
  for (const char* p = begin; p < end;) {
    size_t n = CharBytes(p);
    if (n > static_cast<size_t>(end - p)) n = static_cast<size_t>(end - p);
    if (n == 1 && form == Form::AnnexF && *p == separator && p + 1 < end && p[1] == separator) {
      ++p;  // the doubled separator: one is kept below
    } else if (n == 1 && form == Form::StdOr) {
      if (*p == '$') {
        if (p + 1 >= end) return Refuse(hvcnERR_BAD_X400, detail::kBadQuoting, where);
        ++p;
        n = CharBytes(p);
        if (n > static_cast<size_t>(end - p)) n = static_cast<size_t>(end - p);
      } else if (*p == '=') {
        return Refuse(hvcnERR_BAD_X400, detail::kBadQuoting, where);
      } else if (*p == '*' && split && !teletex) {
        if (!Put('\0')) return Full(where);
        parts->teletex = length_;
        teletex = true;
        ++p;
        continue;
      } else if (*p == '{' && teletex) {
        if (end - p < 5 || !IsDigit(p[1]) || !IsDigit(p[2]) || !IsDigit(p[3]) || p[4] != '}')
          return Refuse(hvcnERR_BAD_X400, detail::kBadQuoting, where);
        const int code = (p[1] - '0') * 100 + (p[2] - '0') * 10 + (p[3] - '0');
        if (code < 0x20 || code > 0xFF || code == 0x7F) return Refuse(hvcnERR_BAD_X400, detail::kBadQuoting, where);
        if (!Put(static_cast<char>(code))) return Full(where);
        p += 5;
        continue;
      }
    }
    for (size_t i = 0; i < n; ++i)
      if (!Put(p[i])) return Full(where);
    p += n;
  }
  if (!Put('\0')) return Full(where);
  return hvcnSUCCESS;
}

// Stores a value through the twin choice, then checks it as its attribute
// (the one of the slot it went to) checks it. A postal attribute, which has
// no twin choice, takes a value its printable form refuses but its teletex
// variant takes in that variant, as the other attributes take one in their
// twins.
int32_t NameBuilder::Store(const Where& where, int slot, uint32_t offset) noexcept {
  const char* value = format_->nameBuffer + offset;
  if (model::TwinOf(slot) < 0 && TeletexPartner(slot) >= 0 && CheckValue(slot, value) != hvcnSUCCESS &&
      CheckValue(TeletexPartner(slot), value) == hvcnSUCCESS) {
    if (format_->flags & hvcnFMT_7BIT_ONLY) return Refuse(hvcnERR_BAD_VALUE, detail::kValueRefused, where);
    slot = TeletexPartner(slot);
  }
  int32_t status = model::SetAttributeValue(format_, value, offset, slot);
  if (status == hvcnSUCCESS) {
    const hvcnAttribute& record = format_->attributes[slot];
    const bool inSlot = record.valueLength != hvcnVALUE_ABSENT && record.valueOffset == offset;
    status = CheckValue(inSlot ? slot : model::TwinOf(slot), value);
  }
  return status == hvcnSUCCESS ? status : Refuse(status, detail::kValueRefused, where);
}

// A value without a teletex part is stored through the twin choice; with
// one, the printable part (which must be printable) goes to the slot and
// the teletex part to its teletex partner (none under hvcnFMT_7BIT_ONLY).
int32_t NameBuilder::StoreParts(const Where& where, int slot, const Parts& parts) noexcept {
  if (parts.teletex < 0) return Store(where, slot, parts.printable);
  // Teletex values are refused where the format takes 7-bit values only.
  if (format_->flags & hvcnFMT_7BIT_ONLY) return Refuse(hvcnERR_BAD_VALUE, detail::kValueRefused, where);
  const char* printable = format_->nameBuffer + parts.printable;
  if (*printable) {
    if (int32_t check = CheckPrintablePart(printable)) return Refuse(check, detail::kValueRefused, where);
    if (int32_t status = Store(where, slot, parts.printable)) return status;
  }
  return Store(where, TeletexPartner(slot), static_cast<uint32_t>(parts.teletex));
}

int32_t NameBuilder::TakeSlot(const Where& where, int slot, const char* begin, const char* end, Form form,
                              char separator) noexcept {
  const int partner = TeletexPartner(slot);
  Parts parts{};
  if (int32_t status = Decode(where, begin, end, form, separator, form == Form::StdOr && partner >= 0, &parts))
    return status;
  char* printable = format_->nameBuffer + parts.printable;
  if (model::HeldWithoutDots(slot)) {
    DropDots(printable);
    if (parts.teletex >= 0) DropDots(format_->nameBuffer + parts.teletex);
  } else if (slot == model::kAdmd && IsBlankText(printable)) {
    length_ = parts.printable;
    if (!PutText(kBlankAdmd) || !Put('\0')) return Full(where);
  } else if (slot == model::kUnformattedPostal) {
    for (char* p = printable; *p; ++p)
      if (*p == kPostalLineMark) *p = kPostalLineSeparator;
  }
  used_[slot] = true;
  if (partner >= 0) used_[partner] = true;
  if (slot == model::kCountry) countryColumn_ = where.column;
  return StoreParts(where, slot, parts);
}

int32_t NameBuilder::TakeDda(const Where& where, std::string_view type, const char* begin, const char* end,
                             Form form, char separator) noexcept {
  if (ddaCount_ >= model::kDdaPairs.size()) return Refuse(hvcnERR_TOO_MANY_DDAS, detail::kFifthDda, where);
  for (uint32_t k = 0; k < ddaCount_; ++k)
    if (EqualNoCase(type, format_->nameBuffer + ddaTypes_[k]))
      return Refuse(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, where);
  const model::DdaPair pair = model::kDdaPairs[ddaCount_];
  const uint32_t typeOffset = length_;
  if (!PutText(type) || !Put('\0')) return Full(where);
  Parts parts{};
  if (int32_t status = Decode(where, begin, end, form, separator, form == Form::StdOr, &parts)) return status;
  if (EqualNoCase(type, model::kForeignAddressType) && !UnspellRfc822(format_->nameBuffer + parts.printable))
    return Refuse(hvcnERR_BAD_X400, detail::kBadQuoting, where);
  ddaTypes_[ddaCount_++] = typeOffset;
  used_[pair.type] = used_[pair.value] = true;
  if (int32_t status = Store(where, pair.type, typeOffset)) return status;
  return StoreParts(where, pair.value, parts);
}

int32_t NameBuilder::TakePersonalName(const Where& where, std::string_view text) noexcept {
  const uint32_t offset = length_;
  if (!PutText(text) || !Put('\0')) return Full(where);
  return TakePersonalNameAt(where, offset);
}

int32_t NameBuilder::TakePersonalNameAt(const Where& where, uint32_t offset) noexcept {
  if (used_[model::kSurname] || used_[model::kGivenName] || used_[model::kInitials])
    return Refuse(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, where);
  char* buffer = format_->nameBuffer;
  const PersonalName name = SplitPersonalName({buffer + offset, std::strlen(buffer + offset)});
  if (!name.valid) return Refuse(hvcnERR_BAD_VALUE, detail::kValueRefused, where);
  used_[model::kSurname] = used_[model::kGivenName] = used_[model::kInitials] = true;
  ++components_;
  // The parts in place: the given name ends at its dot, the initials close
  // up behind it, the surname stays where it is.
  uint32_t next = offset;
  if (!name.given.empty()) {
    buffer[offset + name.given.size()] = '\0';
    if (int32_t status = Store(where, model::kGivenName, offset)) return status;
    next = offset + static_cast<uint32_t>(name.given.size()) + 1;
  }
  if (name.initialCount > 0) {
    std::memcpy(buffer + next, name.initials, name.initialCount);
    buffer[next + name.initialCount] = '\0';
    if (int32_t status = Store(where, model::kInitials, next)) return status;
  }
  return Store(where, model::kSurname, static_cast<uint32_t>(name.surname.data() - buffer));
}

int32_t NameBuilder::Take(const Where& where, std::string_view labelText, const char* begin, const char* end,
                          Form form, char separator) noexcept {
  std::string_view rest;
  const Label* label = FindLabel(labelText, &rest);
  if (!label) {
    if (IsLaterOrgUnit(labelText)) return Refuse(hvcnERR_TOO_MANY_OUS, detail::kFifthOrgUnit, where);
    return Refuse(hvcnERR_UNKNOWN_TAG, detail::kUnknownLabel, where);
  }
  switch (label->kind) {
    case LabelKind::Slot:
      if (used_[label->slot]) return Refuse(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, where);
      ++components_;
      return TakeSlot(where, label->slot, begin, end, form, separator);
    case LabelKind::NextOrgUnit:
      for (const Slot slot : model::kOrgUnitSlots) {
        if (used_[slot]) continue;
        ++components_;
        return TakeSlot(where, slot, begin, end, form, separator);
      }
      return Refuse(hvcnERR_TOO_MANY_OUS, detail::kFifthOrgUnit, where);
    case LabelKind::DdaPrefix:
      // The ";" form drops the blanks around a type, the "/" form keeps them.
      if (form == Form::AnnexF) {
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
      }
      ++components_;
      return TakeDda(where, rest, begin, end, form, separator);
    case LabelKind::ForeignDda:
      ++components_;
      return TakeDda(where, model::kForeignAddressType, begin, end, form, separator);
    case LabelKind::PersonalName: {
      // Decoded first (quoting), then split in place.
      Parts parts{};
      if (int32_t status = Decode(where, begin, end, form, separator, false, &parts)) return status;
      return TakePersonalNameAt(where, parts.printable);
    }
  }
  return Refuse(hvcnERR_UNKNOWN_TAG, detail::kUnknownLabel, where);
}

int32_t NameBuilder::TakeText(const Where& where, int slot, std::string_view value) noexcept {
  if (!model::IsStandardSlot(slot) || used_[slot]) return Refuse(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, where);
  const uint32_t offset = length_;
  if (!PutText(slot == model::kAdmd ? AdmdText(value) : value) || !Put('\0')) return Full(where);
  used_[slot] = true;
  ++components_;
  if (slot == model::kCountry) countryColumn_ = where.column;
  return Store(where, slot, offset);
}

int32_t NameBuilder::Finish() noexcept {
  if (components_ == 0) return Refuse(hvcnERR_BAD_X400, detail::kNoComponent, {});
  if (used_[model::kCountry] && !used_[model::kAdmd]) {
    // An address always has an ADMD: one that names a country without it
    // has the blank one.
    const uint32_t offset = length_;
    if (!PutText(kBlankAdmd) || !Put('\0')) return Full({});
    used_[model::kAdmd] = true;
    if (int32_t status = Store({model::RowOf(model::kAdmd).label, countryColumn_}, model::kAdmd, offset))
      return status;
  }
  format_->flags |= hvcnFMT_NAME_HELD;
  return hvcnSUCCESS;
}

}  // namespace hvcn::orname
