#include "orname/builder.h"

#include <cstring>

#include "core/ascii.h"
#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/refusal_note.h"
#include "core/t61.h"
#include "core/trace.h"
#include "format/format.h"
#include "model/held_value.h"
#include "model/validate.h"
#include "orname/labels.h"
#include "orname/values.h"

namespace hvcn::orname {
namespace {

using ascii::IsDigit;

constexpr uint32_t kBufferSize = sizeof(hvcnFormat::nameBuffer);
constexpr size_t kLabelShown = 40;  // bytes of a label a detail text shows

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

// A terminal type as F.401 Annex F and RFC 2156 write it, as its number in
// place: "tlx" (and the other names of kTerminalTypeNames) is 3 ..., a
// labelled integer "name(8)" or "(8)" its number. Other texts stay.
void TerminalTypeNumber(char* text) noexcept {
  const std::string_view value(text);
  for (const TerminalTypeName& name : kTerminalTypeNames)
    if (EqualNoCase(value, name.name)) {
      text[0] = static_cast<char>('0' + name.type);
      text[1] = '\0';
      return;
    }
  const size_t open = value.find('(');
  if (open != std::string_view::npos && value.size() > open + 2 && value.back() == ')') {
    const std::string_view digits = value.substr(open + 1, value.size() - open - 2);
    for (char c : digits)
      if (!IsDigit(c)) return;
    std::memmove(text, digits.data(), digits.size());
    text[digits.size()] = '\0';
  }
}

// The value under construction, bounded by its ValueText.
class ValueWriter {
 public:
  explicit ValueWriter(const ValueText& out) noexcept : out_(out) {}
  bool Put(char c) noexcept {
    if (*out_.length >= out_.capacity) return false;
    out_.base[(*out_.length)++] = c;
    return true;
  }
  bool Put(std::string_view text) noexcept {
    if (text.size() > out_.capacity - *out_.length) return false;
    if (!text.empty()) std::memcpy(out_.base + *out_.length, text.data(), text.size());
    *out_.length += static_cast<uint32_t>(text.size());
    return true;
  }
  uint32_t length() const noexcept { return *out_.length; }

 private:
  ValueText out_;
};

// T.61 bytes gathered from a teletex part, read into UTF-8 when something
// else follows: a character written raw (a leniency: UTF-8 text as it is).
class T61Run {
 public:
  bool Add(uint8_t byte) noexcept {
    if (n_ >= sizeof bytes_) return false;
    bytes_[n_++] = static_cast<char>(byte);
    return true;
  }
  // 0, or the status (17 no room, 27 a code that stands for no character).
  int32_t Flush(ValueWriter& out, uint16_t* detailId) noexcept {
    char text[sizeof bytes_ * 2];
    const t61::Result result = t61::Decode({bytes_, n_}, text, sizeof text);
    n_ = 0;
    if (result.outcome == t61::Outcome::NoMapping) {
      *detailId = detail::kNoT61Character;
      return hvcnERR_BAD_X400;
    }
    if (result.outcome != t61::Outcome::Done || !out.Put({text, result.written})) return hvcnERR_NAME_TOO_LONG;
    return hvcnSUCCESS;
  }

 private:
  char bytes_[kBufferSize];
  size_t n_ = 0;
};

}  // namespace

int32_t DecodeValue(const Item& item, bool split, const ValueText& out, Parts* parts, uint16_t* detailId) noexcept {
  ValueWriter w(out);
  parts->printable = w.length();
  parts->teletex = -1;
  *detailId = 0;
  const char* end = item.valueEnd;
  auto bad = [&]() noexcept {
    *detailId = detail::kBadQuoting;
    return hvcnERR_BAD_X400;
  };
  bool teletex = false;
  T61Run run;
  for (const char* p = item.value; p < end;) {
    size_t n = CharBytes(p);
    if (n > static_cast<size_t>(end - p)) n = static_cast<size_t>(end - p);
    if (item.form == Form::AnnexF) {
      if (n == 1 && *p == item.separator && p + 1 < end && p[1] == item.separator) ++p;  // doubled: one is kept
    } else if (n == 1 && *p == '$') {
      if (p + 1 >= end) return bad();
      ++p;
      n = CharBytes(p);
      if (n > static_cast<size_t>(end - p)) n = static_cast<size_t>(end - p);
    } else if (n == 1 && *p == '=') {
      return bad();
    } else if (n == 1 && *p == '*' && split && !teletex) {
      if (!w.Put('\0')) return hvcnERR_NAME_TOO_LONG;
      parts->teletex = w.length();
      teletex = true;
      ++p;
      continue;
    } else if (n == 1 && *p == '{' && teletex) {
      // {ddd...}: T.61 codes, three digits each.
      const char* q = p + 1;
      uint32_t codes = 0;
      for (; q + 2 < end && IsDigit(q[0]) && IsDigit(q[1]) && IsDigit(q[2]); q += 3, ++codes) {
        const int code = (q[0] - '0') * 100 + (q[1] - '0') * 10 + (q[2] - '0');
        if (code > 0xFF) return bad();
        if (!run.Add(static_cast<uint8_t>(code))) return hvcnERR_NAME_TOO_LONG;
      }
      if (codes == 0 || q >= end || *q != '}') return bad();
      p = q + 1;
      continue;
    }
    if (teletex) {
      // The teletex part's characters: ASCII ones are T.61 bytes of their
      // own; others are UTF-8 as written.
      if (n == 1 && static_cast<unsigned char>(*p) < 0x80) {
        if (!run.Add(static_cast<uint8_t>(*p))) return hvcnERR_NAME_TOO_LONG;
        ++p;
        continue;
      }
      if (int32_t status = run.Flush(w, detailId)) return status;
    }
    if (!w.Put({p, n})) return hvcnERR_NAME_TOO_LONG;
    p += n;
  }
  if (teletex)
    if (int32_t status = run.Flush(w, detailId)) return status;
  if (!w.Put('\0')) return hvcnERR_NAME_TOO_LONG;
  return hvcnSUCCESS;
}

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
  NoteRefusedColumn(format_, where.column);
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

int32_t NameBuilder::Decode(const Item& item, const Where& where, bool split, Parts* parts) noexcept {
  uint16_t detailId = 0;
  const int32_t status = DecodeValue(item, split, {format_->nameBuffer, kBufferSize, &length_}, parts, &detailId);
  if (status == hvcnSUCCESS) return status;
  return detailId ? Refuse(status, detailId, where) : Full(where);
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
    if (!inSlot || !model::StoreCheckCoversId(slot)) status = CheckValue(inSlot ? slot : model::TwinOf(slot), value);
  }
  return status == hvcnSUCCESS ? status : Refuse(status, detail::kValueRefused, where);
}

// A value without a teletex part is stored through the twin choice; with
// one, the printable part (which must be printable) goes to the slot and
// the teletex part to its teletex partner (none under hvcnFMT_7BIT_ONLY).
int32_t NameBuilder::StoreParts(const Where& where, int slot, const Parts& parts) noexcept {
  if (parts.teletex < 0) return Store(where, slot, parts.printable);
  if (format_->flags & hvcnFMT_7BIT_ONLY) return Refuse(hvcnERR_BAD_VALUE, detail::kValueRefused, where);
  const char* printable = format_->nameBuffer + parts.printable;
  if (*printable) {
    if (int32_t check = CheckPrintablePart(slot, printable)) return Refuse(check, detail::kValueRefused, where);
    if (int32_t status = Store(where, slot, parts.printable)) return status;
  }
  return Store(where, TeletexPartner(slot), static_cast<uint32_t>(parts.teletex));
}

// Only the ADMD may be empty (its blank); any other value given empty is
// refused, naming its label.
int32_t NameBuilder::TakeSlot(const Item& item, const Where& where, int slot) noexcept {
  const int partner = TeletexPartner(slot);
  Parts parts{};
  if (int32_t status = Decode(item, where, item.form == Form::StdOr && partner >= 0, &parts)) return status;
  char* printable = format_->nameBuffer + parts.printable;
  if (model::HeldWithoutDots(slot)) {
    DropDots(printable);
    if (parts.teletex >= 0) DropDots(format_->nameBuffer + parts.teletex);
  } else if (slot == model::kAdmd && parts.teletex < 0 && IsBlankText(printable)) {
    length_ = parts.printable;
    if (!PutText(kBlankAdmd) || !Put('\0')) return Full(where);
  } else if (slot == model::kUnformattedPostal) {
    for (char* p = printable; *p; ++p)
      if (*p == kPostalLineMark) *p = kPostalLineSeparator;
  } else if (slot == model::kTerminalType) {
    TerminalTypeNumber(printable);
  }
  if (*printable == '\0' && (parts.teletex < 0 || format_->nameBuffer[parts.teletex] == '\0'))
    return Refuse(hvcnERR_NO_VALUE, detail::kEmptyValue, where);
  used_[slot] = true;
  if (partner >= 0) used_[partner] = true;
  if (slot == model::kCountry) countryColumn_ = where.column;
  return StoreParts(where, slot, parts);
}

// An organisational unit, a domain-defined attribute or a postal line,
// decoded now and placed at the end.
int32_t NameBuilder::Hold(PendingList& list, const Item& item, const Where& where, bool split, uint8_t number,
                          uint16_t fifthDetail, int32_t fifthStatus) noexcept {
  const size_t most = &list == &lines_ ? kMaxPostalLines : 4;
  if (list.count >= most) return Refuse(fifthStatus, fifthDetail, where);
  for (uint32_t k = 0; number != 0 && k < list.count; ++k)
    if (list.items[k].number == number) return Refuse(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, where);
  Pending& p = list.items[list.count];
  if (int32_t status = Decode(item, where, split, &p.parts)) return status;
  const bool empty = format_->nameBuffer[p.parts.printable] == '\0' &&
                     (p.parts.teletex < 0 || format_->nameBuffer[p.parts.teletex] == '\0');
  if (empty) return Refuse(hvcnERR_NO_VALUE, detail::kEmptyValue, where);
  p.number = number;
  p.column = where.column;
  p.labelLength = static_cast<uint8_t>(where.label.size() < sizeof p.label ? where.label.size() : sizeof p.label);
  if (p.labelLength) std::memcpy(p.label, where.label.data(), p.labelLength);
  ++list.count;
  ++components_;
  return hvcnSUCCESS;
}

int32_t NameBuilder::TakeDda(const Item& item, const Where& where, std::string_view type, uint8_t number) noexcept {
  if (type.empty()) return Refuse(hvcnERR_NO_VALUE, detail::kNoDdaType, where);
  if (ddas_.count >= model::kDdaPairs.size()) return Refuse(hvcnERR_TOO_MANY_DDAS, detail::kFifthDda, where);
  for (uint32_t k = 0; k < ddas_.count; ++k)
    if (EqualNoCase(type, format_->nameBuffer + ddas_.items[k].type))
      return Refuse(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, where);
  const uint32_t typeOffset = length_;
  if (!PutText(type) || !Put('\0')) return Full(where);
  if (int32_t status = Hold(ddas_, item, where, item.form == Form::StdOr, number, detail::kFifthDda,
                            hvcnERR_TOO_MANY_DDAS))
    return status;
  Pending& p = ddas_.items[ddas_.count - 1];
  p.type = typeOffset;
  if (EqualNoCase(type, model::kForeignAddressType) && !UnspellRfc822(format_->nameBuffer + p.parts.printable))
    return Refuse(hvcnERR_BAD_X400, detail::kBadQuoting, where);
  return hvcnSUCCESS;
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
  if (buffer[offset] == '\0') return Refuse(hvcnERR_NO_VALUE, detail::kEmptyValue, where);
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

int32_t NameBuilder::Take(const Item& item) noexcept {
  const Where where{item.label, item.column};
  if (item.form == Form::StdOr) rightToLeft_ = true;
  std::string_view rest;
  const Label* label = FindLabel(item.label, &rest);
  if (!label) {
    if (IsLaterOrgUnit(item.label)) return Refuse(hvcnERR_TOO_MANY_OUS, detail::kFifthOrgUnit, where);
    return Refuse(hvcnERR_UNKNOWN_TAG, detail::kUnknownLabel, where);
  }
  // DDA.TYPE waits for the DDA.VALUE right after it.
  if (splitPending_ != (label->kind == LabelKind::DdaValue))
    return Refuse(hvcnERR_BAD_X400, detail::kSplitPair, splitPending_ ? split_.where() : where);
  switch (label->kind) {
    case LabelKind::Slot: {
      const int slot = label->slot;
      const bool unit = model::RowOf(slot).group == model::Group::OrgUnit;
      if (unit) {
        const auto number = static_cast<uint8_t>(slot - model::kOu1 + 1);
        return Hold(units_, item, where, item.form == Form::StdOr, number, detail::kFifthOrgUnit, hvcnERR_TOO_MANY_OUS);
      }
      if (used_[slot] || (slot == model::kUnformattedPostal && lines_.count > 0))
        return Refuse(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, where);
      ++components_;
      return TakeSlot(item, where, slot);
    }
    case LabelKind::NextOrgUnit:
      return Hold(units_, item, where, item.form == Form::StdOr, 0, detail::kFifthOrgUnit, hvcnERR_TOO_MANY_OUS);
    case LabelKind::PostalLine:
      if (used_[model::kUnformattedPostal]) return Refuse(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, where);
      return Hold(lines_, item, where, false, label->index, detail::kDuplicate, hvcnERR_DUPLICATE_ATTRIBUTE);
    case LabelKind::DdaPrefix: {
      // The ";" form's type: blanks around it dropped, "==" an '=' in it,
      // a doubled separator one; the "/" form's is unquoted already.
      char type[sizeof(hvcnFormat::nameBuffer)];
      size_t n = 0;
      if (item.form == Form::AnnexF) rest = Trim(rest);
      for (size_t i = 0; i < rest.size() && n < sizeof type; ++i) {
        const bool doubled = i + 1 < rest.size() && rest[i + 1] == rest[i];
        if (item.form == Form::AnnexF && doubled && (rest[i] == '=' || rest[i] == item.separator)) ++i;
        type[n++] = rest[i];
      }
      return TakeDda(item, where, {type, n}, label->index);
    }
    case LabelKind::ForeignDda:
      return TakeDda(item, where, model::kForeignAddressType, 0);
    case LabelKind::DdaType: {
      // Held as a pending item of its own: its value is the type.
      Parts parts{};
      if (int32_t status = Decode(item, where, false, &parts)) return status;
      split_.type = parts.printable;
      split_.column = where.column;
      split_.labelLength = static_cast<uint8_t>(item.label.size() < sizeof split_.label ? item.label.size()
                                                                                        : sizeof split_.label);
      std::memcpy(split_.label, item.label.data(), split_.labelLength);
      splitPending_ = true;
      return hvcnSUCCESS;
    }
    case LabelKind::DdaValue: {
      splitPending_ = false;
      const char* type = format_->nameBuffer + split_.type;
      return TakeDda(item, split_.where(), {type, std::strlen(type)}, 0);
    }
    case LabelKind::PersonalName: {
      // Decoded first (quoting), then split in place.
      Parts parts{};
      if (int32_t status = Decode(item, where, false, &parts)) return status;
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

// The organisational units in their places: OU1-OU4 where they say, the
// others ("OU") in the free places from the first: in the "/" form, where
// the most significant unit is on the right, the last first; elsewhere in
// their order. No unit may follow a missing one.
int32_t NameBuilder::PlaceUnits() noexcept {
  int placed[4] = {-1, -1, -1, -1};  // the pending item of each unit
  bool taken[4] = {};
  for (size_t k = 0; k < 4; ++k) {  // from a domain's labels, or given to the slot or its teletex partner
    const int slot = model::kOrgUnitSlots[k];
    taken[k] = used_[slot] || (TeletexPartner(slot) >= 0 && used_[TeletexPartner(slot)]);
  }
  for (uint32_t i = 0; i < units_.count; ++i)
    if (units_.items[i].number != 0) {
      const uint32_t k = units_.items[i].number - 1u;
      if (taken[k]) return Refuse(hvcnERR_DUPLICATE_ATTRIBUTE, detail::kDuplicate, units_.items[i].where());
      placed[k] = static_cast<int>(i);
      taken[k] = true;
    }
  for (uint32_t n = 0; n < units_.count; ++n) {
    const uint32_t i = rightToLeft_ ? units_.count - 1 - n : n;
    if (units_.items[i].number != 0) continue;
    size_t k = 0;
    while (k < 4 && taken[k]) ++k;
    if (k == 4) return Refuse(hvcnERR_TOO_MANY_OUS, detail::kFifthOrgUnit, units_.items[i].where());
    placed[k] = static_cast<int>(i);
    taken[k] = true;
  }
  for (size_t k = 1; k < 4; ++k)
    if (taken[k] && !taken[k - 1]) {
      // A unit taken before the items (by a domain's labels, or by a value
      // given straight to its slot) has no item to name.
      const Where at = placed[k] >= 0 ? units_.items[placed[k]].where() : Where{model::RowOf(model::kOrgUnitSlots[k]).label, 1};
      return Refuse(hvcnERR_BAD_X400, detail::kGap, at);
    }
  for (size_t k = 0; k < 4; ++k) {
    if (placed[k] < 0) continue;
    const Pending& p = units_.items[placed[k]];
    const int slot = model::kOrgUnitSlots[k];
    used_[slot] = true;
    if (TeletexPartner(slot) >= 0) used_[TeletexPartner(slot)] = true;
    if (int32_t status = StoreParts(p.where(), slot, p.parts)) return status;
  }
  return hvcnSUCCESS;
}

// The domain-defined attributes in their places, as the units take theirs.
int32_t NameBuilder::PlaceDdas() noexcept {
  int placed[4] = {-1, -1, -1, -1};
  for (uint32_t i = 0; i < ddas_.count; ++i)
    if (ddas_.items[i].number != 0) placed[ddas_.items[i].number - 1] = static_cast<int>(i);
  for (uint32_t n = 0; n < ddas_.count; ++n) {
    const uint32_t i = rightToLeft_ ? ddas_.count - 1 - n : n;
    if (ddas_.items[i].number != 0) continue;
    size_t k = 0;
    while (k < 4 && placed[k] >= 0) ++k;
    placed[k] = static_cast<int>(i);  // four at most: a fifth was refused when taken
  }
  for (size_t k = 1; k < 4; ++k)
    if (placed[k] >= 0 && placed[k - 1] < 0) return Refuse(hvcnERR_BAD_X400, detail::kGap, ddas_.items[placed[k]].where());
  for (size_t k = 0; k < 4; ++k) {
    if (placed[k] < 0) continue;
    const Pending& p = ddas_.items[placed[k]];
    const model::DdaPair pair = model::kDdaPairs[k];
    if (int32_t status = Store(p.where(), pair.type, p.type)) return status;
    if (int32_t status = StoreParts(p.where(), pair.value, p.parts)) return status;
  }
  return hvcnSUCCESS;
}

// PD-A1 ... PD-A6: the lines of the unformatted postal address, in their
// order, none missing before another.
int32_t NameBuilder::PlaceLines() noexcept {
  if (lines_.count == 0) return hvcnSUCCESS;
  int placed[kMaxPostalLines] = {-1, -1, -1, -1, -1, -1};
  for (uint32_t i = 0; i < lines_.count; ++i) placed[lines_.items[i].number - 1] = static_cast<int>(i);
  const uint32_t offset = length_;
  const Where first = lines_.items[0].where();
  for (size_t k = 0; k < kMaxPostalLines; ++k) {
    if (placed[k] < 0) {
      for (size_t j = k + 1; j < kMaxPostalLines; ++j)
        if (placed[j] >= 0) return Refuse(hvcnERR_BAD_X400, detail::kGap, lines_.items[placed[j]].where());
      break;
    }
    if ((k > 0 && !Put(kPostalLineSeparator)) ||
        !PutText(format_->nameBuffer + lines_.items[placed[k]].parts.printable))
      return Full(first);
  }
  if (!Put('\0')) return Full(first);
  used_[model::kUnformattedPostal] = true;
  return Store(first, model::kUnformattedPostal, offset);
}

int32_t NameBuilder::Finish() noexcept {
  if (splitPending_) return Refuse(hvcnERR_BAD_X400, detail::kSplitPair, split_.where());
  if (components_ == 0) return Refuse(hvcnERR_BAD_X400, detail::kNoComponent, {});
  if (int32_t status = PlaceLines()) return status;
  if (int32_t status = PlaceUnits()) return status;
  if (int32_t status = PlaceDdas()) return status;
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
