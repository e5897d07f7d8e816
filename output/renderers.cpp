// The token renderers: the text of one output token from the held values.
#include <array>
#include <cstring>
#include <string_view>

#include "core/ascii.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "model/held_value.h"
#include "model/tag_names.h"
#include "output/output.h"

namespace hvcn::output {
namespace {

using model::HeldValue;
using model::ValueOf;

// A scratch text for initials and qualifiers with periods added: room for
// every byte of the largest value and a period after each.
constexpr size_t kScratch = 2 * sizeof(hvcnFormat::nameBuffer) + 1;

// The order in which the X.400 part writes the catalogue slots: the rows'
// X.400 column.
constexpr size_t kX400Count = [] {
  size_t n = 0;
  for (const model::SlotRow& row : model::kSlotRows) n += row.x400 != model::kNotInX400;
  return n;
}();
constexpr std::array<model::Slot, kX400Count> kX400Order = [] {
  std::array<model::Slot, kX400Count> order{};
  for (auto& slot : order) slot = model::kNoSlot;
  for (const model::SlotRow& row : model::kSlotRows)
    if (row.x400 != model::kNotInX400) order[row.x400] = row.slot;
  return order;
}();
static_assert(kX400Count == model::kTagCount && [] {
  for (const model::Slot slot : kX400Order)
    if (slot == model::kNoSlot) return false;
  return true;
}());

// What the X.400 writer asks of each entry of its order, from the rows.
struct X400Entry {
  int slot;
  int tag;
  bool ddaType;        // a domain-defined type: its value is the next entry
  bool unit;           // an organisational unit (not a twin): untagged unless the format tags them
  bool personal;       // a personal-name part (not a twin): only with hvcnFMT_X400_PERSONAL
  bool needsForeign;   // left out with hvcnFMT_NO_FOREIGN
};
constexpr std::array<X400Entry, kX400Count> kX400Entries = [] {
  std::array<X400Entry, kX400Count> entries{};
  for (size_t i = 0; i < entries.size(); ++i) {
    const model::SlotRow& row = model::RowOf(kX400Order[i]);
    const bool twin = model::IsTeletexVariant(row.slot);
    entries[i] = {row.slot,
                  row.tag,
                  row.group == model::Group::DdaType,
                  row.group == model::Group::OrgUnit && !twin,
                  row.group == model::Group::Personal && !twin,
                  (row.flags & model::kSkippedWithoutForeign) != 0};
  }
  return entries;
}();

// Foreign-address type keywords, with the longest type each may stand for.
struct Keyword {
  const char* text;
  size_t length;
  size_t longest;
};
constexpr Keyword kForeignKeywords[] = {
    {"RFC-822", 7, 7},
    {"QVMEXT", 6, 7},
};

bool Decoded(const hvcnFormat* f) noexcept { return f->nameType != -1; }

bool Flag(const hvcnFormat* f, uint16_t flag) noexcept { return (f->flags & flag) != 0; }

void Terminate(Writer& w) noexcept { w.text.Terminate(); }

// Writes a value, escaped with the list when escaping is on.
bool WriteValue(Writer& w, std::string_view value, const char* list) noexcept {
  if (value.empty()) return true;
  if (w.escaping) return EscapeValue(w, value.data(), value.size(), list) >= 0;
  if (!w.text.Fits(value.size())) return false;
  w.text.Append(value.data(), value.size());
  return true;
}

// Initials as "J.K.", a qualifier as "Jr.": decoded names hold them
// without their periods.
std::string_view WithPeriods(std::string_view value, bool eachCharacter, char* scratch) noexcept {
  size_t n = 0;
  if (eachCharacter) {
    for (const char* p = value.data(); p < value.data() + value.size();) {
      size_t bytes = CharBytes(p);
      if (p + bytes > value.data() + value.size()) bytes = static_cast<size_t>(value.data() + value.size() - p);
      std::memcpy(scratch + n, p, bytes);
      n += bytes;
      scratch[n++] = '.';
      p += bytes;
    }
  } else {
    std::memcpy(scratch, value.data(), value.size());
    n = value.size();
    scratch[n++] = '.';
  }
  scratch[n] = '\0';
  return {scratch, n};
}

// The text a personal part is written with.
std::string_view PersonalText(const hvcnFormat* f, int part, std::string_view value, char* scratch) noexcept {
  if (!Decoded(f) || (part != model::kInitials && part != model::kGeneration)) return value;
  return WithPeriods(value, part == model::kInitials, scratch);
}

}  // namespace

int EscapeValue(Writer& w, const char* value, size_t length, const char* list) noexcept {
  TextSink& out = w.text;
  if (!out.Fits(length)) {
    trace::WriteLine(trace::tag::kError, "SEC: No space available in buffer");
    return -1;
  }
  // Every byte of the value has room; each escape takes one more.
  const size_t start = out.At();
  size_t escapes = 0;
  const char* p = value;
  const char* end = value + length;
  auto copyCharacter = [&](const char*& q) noexcept {
    size_t bytes = CharBytes(q);
    if (q + bytes > end) bytes = static_cast<size_t>(end - q);
    out.Append(q, bytes);
    q += bytes;
  };
  while (p < end) {
    if (*list && std::strchr(list, *p)) {
      if (!out.Need(start + length + escapes + 2)) {
        out.Rewind(start);  // nothing counts as written
        return -1;
      }
      out.Append('\\');
      ++escapes;
      copyCharacter(p);
    } else if (*p == '\\') {
      // An escape the value holds already: copied with its character.
      copyCharacter(p);
      if (p < end) copyCharacter(p);
    } else {
      copyCharacter(p);
    }
  }
  return static_cast<int>(out.At() - start);
}

bool IsForeignAddressType(const char* text, size_t length) noexcept {
  for (const Keyword& keyword : kForeignKeywords)
    if (length >= keyword.length && length <= keyword.longest && ascii::EqualNoCase(text, keyword.text, keyword.length))
      return true;
  return false;
}

int FormatAttributeToken(const hvcnFormat* f, const hvcnToken& token, Writer& w) noexcept {
  const int slot = SelectValueSlot(f, static_cast<int>(token.slot));
  int result = 0;
  if (slot >= 0) {
    w.marks[slot] = true;
    if (!WriteValue(w, ValueOf(f, slot).text, w.escapes)) result = 1;
  }
  Terminate(w);
  return result;
}

int FormatCanonicalName(const hvcnFormat* f, Writer& w) noexcept {
  char scratch[kScratch];
  bool surnameWritten = false;
  for (const model::Slot part : model::kPersonalSlots) {
    const int slot = SelectValueSlot(f, part);
    if (slot < 0) continue;
    w.marks[slot] = true;
    const std::string_view value = ValueOf(f, slot).text;
    bool ok = true;
    if (part == model::kSurname) {
      ok = WriteValue(w, value, w.escapes);
      surnameWritten = true;
    } else if (!value.empty()) {
      if (surnameWritten) {
        surnameWritten = false;
        ok = w.Put(f->commaChar);
      }
      ok = ok && w.Put(' ') && WriteValue(w, PersonalText(f, part, value, scratch), w.escapes);
    }
    if (!ok) {
      Terminate(w);
      return 1;
    }
  }
  Terminate(w);
  return 0;
}

int FormatNonCanonicalName(const hvcnFormat* f, Writer& w) noexcept {
  constexpr model::Slot kOrder[] = {model::kGivenName, model::kInitials, model::kSurname, model::kGeneration};
  char scratch[kScratch];
  bool somethingWritten = false;
  for (const model::Slot part : kOrder) {
    const int slot = SelectValueSlot(f, part);
    if (slot < 0) continue;
    w.marks[slot] = true;
    const std::string_view value = ValueOf(f, slot).text;
    if (value.empty()) continue;
    bool ok = true;
    if (somethingWritten) {
      ok = w.Put(' ');
      somethingWritten = false;
    }
    ok = ok && WriteValue(w, PersonalText(f, part, value, scratch), w.escapes);
    if (!ok) {
      Terminate(w);
      return 1;
    }
    somethingWritten = true;
  }
  Terminate(w);
  return 0;
}

int FormatForeignAddress(const hvcnFormat* f, const hvcnToken& token, Writer& w) noexcept {
  // Only the closing character is escaped here, so that the address never
  // ends early.
  const char list[2] = {static_cast<char>(token.trailSep > 1 ? token.trailSep : 0), '\0'};
  for (const model::DdaPair& pair : model::kDdaPairs) {
    const int typeSlot = pair.type;
    const int value = SelectValueSlot(f, pair.value);
    if (value < 0 || ValueOf(f, value).empty()) break;
    if (SelectValueSlot(f, typeSlot) >= 0) {
      const uint32_t length = f->attributes[typeSlot].valueLength;
      if (length == hvcnVALUE_ABSENT) break;
      if (length != hvcnVALUE_FOREIGN && length != 0) {
        const std::string_view type = ValueOf(f, typeSlot).text;
        if (!IsForeignAddressType(type.data(), type.size())) break;
      }
    }
    if (!WriteValue(w, ValueOf(f, value).text, list)) {
      Terminate(w);
      return 1;
    }
  }
  Terminate(w);
  return 0;
}

namespace {

// The X.400 part: items "tag=value" joined by the slash character, in the
// X.400 order; the organisational units open it as a comma-joined list
// without tags (unless the format tags them); a domain-defined pair is the
// DDA tag, the type, "=" and the value. The text ends after the last
// complete item, the committed end: a separator written after it goes, and
// so does an item that does not fit.
class X400Writer {
 public:
  X400Writer(const hvcnFormat* f, Writer& w) noexcept
      : f_(f), w_(w), slash_(f->slashChar), committed_(w.text.At()) {}

  int Write() noexcept {
    for (size_t i = 0; i < kX400Entries.size(); ++i) {
      const X400Entry& entry = kX400Entries[i];
      const int x = entry.slot;
      if (LeftOut(entry)) continue;
      const int s = SelectValueSlot(f_, x);
      if (s < 0 || w_.marks[s] || (entry.ddaType && f_->attributes[s].valueLength == 0)) {
        if (entry.ddaType) ++i;  // the pair's value goes with its type
        continue;
      }
      Item item;
      if (entry.ddaType) item = DdaPair(s, &i);
      else if (entry.unit && !Flag(f_, hvcnFMT_OU_TAGS)) item = Unit(s);
      else item = Tagged(entry.tag, s);
      if (item == Item::kFailed) return Fail();
      if (item != Item::kWritten) continue;
      Commit();
      if (!w_.Put(unitRun_ && x != model::kOrgUnitSlots.back() ? f_->commaChar : slash_)) return Fail();
    }
    Rewind();
    return 0;
  }

 private:
  enum class Item { kSkipped, kWritten, kClosed, kFailed };  // kClosed: committed, separator written

  // Slots the format's mask and flags keep out of the X.400 part.
  bool LeftOut(const X400Entry& entry) const noexcept {
    return entry.slot >= f_->x400Mask || (entry.personal && !Flag(f_, hvcnFMT_X400_PERSONAL)) ||
           (entry.needsForeign && Flag(f_, hvcnFMT_NO_FOREIGN));
  }

  // A domain-defined pair from its type's slot s; *i moves to its value.
  Item DdaPair(int s, size_t* i) noexcept {
    EndUnitRun();
    const HeldValue type = ValueOf(f_, s);
    char name[model::kTagNameSize + sizeof(hvcnFormat::nameBuffer)];
    const size_t prefix = tags_->ddaLength;
    std::memcpy(name, tags_->DdaPrefix(), prefix);
    std::memcpy(name + prefix, type.text.data(), type.text.size());
    if (!WriteValue(w_, {name, prefix + type.text.size()}, w_.escapes) || !w_.Put('=')) return Item::kFailed;
    const int valueSlot = *i + 1 < kX400Entries.size() ? SelectValueSlot(f_, kX400Entries[++*i].slot) : -1;
    if (valueSlot < 0) {
      Commit();
      return w_.Put(slash_) ? Item::kClosed : Item::kFailed;
    }
    return WriteValue(w_, ValueOf(f_, valueSlot).text, w_.escapes) ? Item::kWritten : Item::kFailed;
  }

  // An organisational unit of the untagged list.
  Item Unit(int s) noexcept {
    const HeldValue unit = ValueOf(f_, s);
    if (unit.empty()) return Item::kSkipped;
    unitRun_ = true;
    return WriteValue(w_, unit.text, w_.escapes) ? Item::kWritten : Item::kFailed;
  }

  // "tag=value" with the tag of an entry, its value from slot s.
  Item Tagged(int tag, int s) noexcept {
    const HeldValue held = ValueOf(f_, s);
    if (held.empty()) return Item::kSkipped;
    EndUnitRun();
    const size_t tagLength = tags_->Length(tag);
    if (!w_.text.Fits(tagLength)) return Item::kFailed;  // tags are never escaped
    w_.text.Append(tags_->Name(tag), tagLength);
    return w_.Put('=') && WriteValue(w_, held.text, w_.escapes) ? Item::kWritten : Item::kFailed;
  }

  // After the last unit, the separator it left becomes the slash.
  void EndUnitRun() noexcept {
    if (unitRun_) w_.text.Set(w_.text.At() - 1, slash_);
    unitRun_ = false;
  }

  void Commit() noexcept { committed_ = w_.text.At(); }

  void Rewind() noexcept {
    w_.text.Rewind(committed_);
    Terminate(w_);
  }

  int Fail() noexcept {
    Rewind();
    return 1;
  }

  const hvcnFormat* f_;
  Writer& w_;
  const model::TagNames tags_;  // the tag names, as they stand for the whole part
  const char slash_;
  size_t committed_;  // where the last complete item ends
  bool unitRun_ = false;  // the last item was an untagged organisational unit
};

}  // namespace

int FormatX400Part(const hvcnFormat* f, Writer& w) noexcept { return X400Writer(f, w).Write(); }

}  // namespace hvcn::output
