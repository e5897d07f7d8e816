// The personal-name parsers: surname first ("Smith, John J.") and natural
// order ("John J. Smith"). Both copy the token's text, cut it into words and
// run the rows of their reading table through one interpreter; the context
// word carries the readings not yet tried from one call to the next.
#include <array>
#include <cstring>
#include <string_view>

#include "core/copy.h"
#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "model/slots.h"
#include "model/validate.h"
#include "parse/parse.h"
#include "parse/readings.h"

namespace hvcn::parse {
namespace {

// A token text longer than this cannot be a personal name.
constexpr uint32_t kMaxNameText = 75;
constexpr uint16_t kDetailTooLong = 2007;
constexpr uint16_t kDetailTooManyParts = 2008;

// Any status other than success that the loop reads as "not tried yet".
constexpr int32_t kPending = -1;

// The slot of each part, and of its teletex twin.
constexpr auto kPartSlot = model::kPersonalSlots;
static_assert(kPartSlot.size() == kPartCount && kPartSlot[kSurname] == model::kSurname &&
              kPartSlot[kGivenName] == model::kGivenName && kPartSlot[kInitials] == model::kInitials &&
              kPartSlot[kQualifier] == model::kGeneration);
constexpr int TwinOfPart(int part) noexcept { return model::OtherTwinOf(kPartSlot[static_cast<size_t>(part)]); }

// The name's words, cut in a copy of the token's text.
struct Words {
  char copy[kMaxNameText + 1];
  char* start[7];
  char* end[7];  // the NUL that ends each word (over a blank, or the copy's end)
  int count = 0;
  uint32_t baseOffset = 0;  // the copy's position in nameBuffer
};

// The bits of every reading of each word count (index: the count).
constexpr size_t kMostWords = 7;
using BitsByWords = std::array<uint32_t, kMostWords + 1>;
template <size_t N>
constexpr BitsByWords ReadingBits(const Reading (&readings)[N]) {
  BitsByWords bits{};
  for (const Reading& r : readings) bits[r.words] |= r.bit;
  return bits;
}
constexpr BitsByWords kCanonicalBits = ReadingBits(kCanonicalReadings);
constexpr BitsByWords kNonCanonicalBits = ReadingBits(kNonCanonicalReadings);

// The readings and first-reading rules of one parser.
struct ReadingTable {
  const Reading* readings;
  size_t readingCount;
  const FirstRule* first;
  size_t firstCount;
  const BitsByWords* bits;
};

constexpr ReadingTable kCanonical = {kCanonicalReadings, std::size(kCanonicalReadings), kCanonicalFirst,
                                     std::size(kCanonicalFirst), &kCanonicalBits};
constexpr ReadingTable kNonCanonical = {kNonCanonicalReadings, std::size(kNonCanonicalReadings),
                                        kNonCanonicalFirst, std::size(kNonCanonicalFirst), &kNonCanonicalBits};

// Saved offsets and lengths of the personal-name slots and their twins.
struct SavedValue {
  uint32_t offset, length;
};
struct SavedSlots {
  SavedValue part[kPartCount];
  SavedValue twin[kPartCount];
};

SavedValue SaveValue(const hvcnAttribute& record) noexcept { return {record.valueOffset, record.valueLength}; }

void RestoreValue(hvcnAttribute& record, SavedValue saved) noexcept {
  record.valueOffset = saved.offset;
  record.valueLength = saved.length;
}

SavedSlots Save(const hvcnFormat* f) noexcept {
  SavedSlots s;
  for (int p = 0; p < kPartCount; ++p) {
    s.part[p] = SaveValue(f->attributes[kPartSlot[static_cast<size_t>(p)]]);
    s.twin[p] = SaveValue(f->attributes[TwinOfPart(p)]);
  }
  return s;
}

void Restore(hvcnFormat* f, const SavedSlots& s) noexcept {
  for (int p = 0; p < kPartCount; ++p) {
    RestoreValue(f->attributes[kPartSlot[static_cast<size_t>(p)]], s.part[p]);
    RestoreValue(f->attributes[TwinOfPart(p)], s.twin[p]);
  }
}

// Marks a part present but empty, or absent; its teletex twin absent.
void MarkPart(hvcnFormat* f, Part part, bool empty, uint32_t offset) noexcept {
  hvcnAttribute& record = f->attributes[kPartSlot[part]];
  record.valueOffset = offset;
  record.valueLength = empty ? 0 : hvcnVALUE_ABSENT;
  f->attributes[TwinOfPart(part)].valueLength = hvcnVALUE_ABSENT;
}

void MarkAll(hvcnFormat* f, Other other, bool complete, uint32_t offset, bool withSurname) noexcept {
  for (int p = withSurname ? kSurname : kGivenName; p < kPartCount; ++p)
    MarkPart(f, static_cast<Part>(p), other == kEmpty || complete, offset);
}

bool TooLong(hvcnFormat* f, const hvcnToken* token) noexcept {
  if (token->valueLength < kMaxNameText) return false;
  trace::If(trace::kError, trace::tag::kError, "Name part of Halvane address is too long. (Max %d characters)",
            static_cast<int>(kMaxNameText));
  RecordDetail(f, kDetailTooLong);
  return true;
}

int32_t TooManyParts(hvcnFormat* f) noexcept {
  trace::WriteLine(trace::tag::kError, "PC: Too many sections in the name");
  RecordDetail(f, kDetailTooManyParts);
  return hvcnERR_NAME_DOES_NOT_FIT;
}

// Cuts text (inside w.copy) into at most n words at unescaped blanks;
// false when text is left over.
bool SplitWords(Words& w, char* text, int n) noexcept {
  w.count = 0;
  char* p = text;
  for (int i = 0; i < n; ++i) {
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    w.start[i] = p;
    char* blank = const_cast<char*>(FindUnescapedChar(p, ' '));
    w.end[i] = blank;
    w.count = i + 1;
    if (*blank == '\0') {
      p = blank;
      break;
    }
    *blank = '\0';
    p = blank + 1;
  }
  return *p == '\0';
}

// Words first..last (from 1) become one text again, and are cut again.
void JoinWords(Words& w, int first, int last) noexcept {
  for (int i = first - 1; i < last - 1; ++i) *w.end[i] = ' ';
}
void UnjoinWords(Words& w, int first, int last) noexcept {
  for (int i = first - 1; i < last - 1; ++i) *w.end[i] = '\0';
}

bool DotRequired(Dot dot, bool complete) noexcept {
  return dot == kDotYes || (dot == kDotComplete && complete);
}

// One store of a reading: the (joined) words as the part.
int32_t MakeStore(hvcnFormat* f, Words& w, const Store& store, bool complete) noexcept {
  if (store.last > w.count || store.first < 1) return hvcnERR_NAME_DOES_NOT_FIT;
  JoinWords(w, store.first, store.last);
  char* text = w.start[store.first - 1];
  const uint32_t offset = static_cast<uint32_t>(text - w.copy) + w.baseOffset;
  int32_t status;
  switch (store.part) {
    case kInitials:
      status = model::SetInitials(f, text, offset, DotRequired(store.dot, complete));
      break;
    case kQualifier:
      status = model::SetGenerationQualifier(f, text, offset, DotRequired(store.dot, complete));
      break;
    default:
      status = model::SetAttributeValue(f, text, offset, kPartSlot[store.part]);
      break;
  }
  UnjoinWords(w, store.first, store.last);
  return status;
}

// Makes a reading's stores in order, then marks the parts it leaves.
int32_t ApplyReading(hvcnFormat* f, Words& w, const Reading& reading, bool complete) noexcept {
  f->nameShape = reading.code;
  for (int i = 0; i < reading.storeCount; ++i)
    if (int32_t status = MakeStore(f, w, reading.stores[i], complete)) return status;
  for (int p = 0; p < kPartCount; ++p)
    if (reading.other[p] != kKeep) MarkPart(f, static_cast<Part>(p), reading.other[p] == kEmpty || complete, w.baseOffset);
  return hvcnSUCCESS;
}

const Reading* FindReading(const ReadingTable& table, int words, uint32_t bit, bool variant) noexcept {
  for (size_t i = 0; i < table.readingCount; ++i) {
    const Reading& r = table.readings[i];
    if (r.words != words) continue;
    if (variant ? r.bit == 0 : r.bit == bit) return &r;
  }
  return nullptr;
}

// The first set bit of the word count's test order.
const Reading* NextReading(const ReadingTable& table, int words, uint32_t context) noexcept {
  for (size_t i = 0; i < table.readingCount; ++i) {
    const Reading& r = table.readings[i];
    if (r.words == words && r.bit != 0 && (context & r.bit)) return &r;
  }
  return nullptr;
}

// Tries the initials store of a probed reading: the probe word must have a
// '.' as second byte.
bool Probe(hvcnFormat* f, Words& w, const Reading* reading, bool complete) noexcept {
  if (!reading) return false;
  for (int i = 0; i < reading->storeCount; ++i) {
    const Store& store = reading->stores[i];
    if (store.part != kInitials) continue;
    const char* word = store.first <= w.count ? w.start[store.first - 1] : nullptr;
    return word && word[0] != '\0' && word[1] == '.' && MakeStore(f, w, store, complete) == hvcnSUCCESS;
  }
  return false;
}

// The context word after the first reading: every other reading of the
// word count, unless the rule keeps the word as it was.
void SetContext(const ReadingTable& table, const FirstRule& rule, uint16_t chosen, uint32_t* context) noexcept {
  if (!rule.keepsContext) *context = (*table.bits)[rule.words] & ~uint32_t{chosen};
}

int32_t FirstReading(hvcnFormat* f, Words& w, const ReadingTable& table, bool complete, uint32_t* context) noexcept {
  const FirstRule* rule = nullptr;
  for (size_t i = 0; i < table.firstCount; ++i)
    if (table.first[i].words == w.count) rule = &table.first[i];
  if (!rule) return hvcnERR_NAME_DOES_NOT_FIT;
  const Reading* probed = rule->probed ? FindReading(table, w.count, rule->probed, false) : nullptr;
  if (Probe(f, w, probed, complete)) {
    SetContext(table, *rule, rule->probed, context);
    return ApplyReading(f, w, *probed, complete);
  }
  const Reading* again = rule->probedAgain ? FindReading(table, w.count, rule->probedAgain, false) : nullptr;
  if (Probe(f, w, again, complete)) {
    SetContext(table, *rule, rule->probedAgain, context);
    return ApplyReading(f, w, *again, complete);
  }
  SetContext(table, *rule, rule->fallback, context);
  const Reading* fallback = FindReading(table, w.count, rule->fallback, rule->fallbackVariant);
  return fallback ? ApplyReading(f, w, *fallback, complete) : hvcnERR_NAME_DOES_NOT_FIT;
}

// Takes readings until one succeeds: the first reading when the word holds
// none, else the next of the word count's test order.
int32_t RunReadings(hvcnFormat* f, Words& w, const ReadingTable& table, bool complete, uint32_t* context) noexcept {
  int32_t status = kPending;
  bool tried = false;
  for (;;) {
    if (status == hvcnSUCCESS) return status;
    if ((*context & kPersonalNameBits) == 0) {
      if (tried) {
        *context &= ~kPersonalNameBits;
        return hvcnERR_NO_MORE_INTERPRETATIONS;
      }
      status = FirstReading(f, w, table, complete, context);
    } else {
      const Reading* next = NextReading(table, w.count, *context);
      if (!next) return hvcnERR_NO_MORE_INTERPRETATIONS;
      *context &= ~static_cast<uint32_t>(next->bit);
      status = ApplyReading(f, w, *next, complete);
    }
    tried = true;
  }
}

// A first call that fails leaves the personal name as it was.
int32_t Finish(hvcnFormat* f, const SavedSlots& saved, uint32_t entryContext, int32_t status) noexcept {
  if (entryContext == 0 && status != hvcnSUCCESS) {
    Restore(f, saved);
    return hvcnERR_NAME_DOES_NOT_FIT;
  }
  return status;
}

// Copies the token's text into the words' buffer.
void CopyText(Words& w, hvcnFormat* f, const hvcnToken* token) noexcept {
  const TokenText text = RawTextOf(f, token);
  const size_t length = static_cast<size_t>(text.end - text.begin);
  CopyBounded(w.copy, sizeof w.copy, std::string_view(text.begin, length));
  w.baseOffset = static_cast<uint32_t>(text.begin - f->nameBuffer);
}

// The surname alone (no comma): trailing blanks kept on the open end of
// the name, and cut on the call after.
int32_t SurnameOnly(hvcnFormat* f, Words& w, bool complete, uint32_t* context) noexcept {
  char* trailing = const_cast<char*>(FindTrailingBlanks(w.copy));
  const uint32_t offset = w.baseOffset;
  if (complete) {
    *trailing = '\0';
    *context &= ~kPersonalNameBits;
    MarkAll(f, kEmpty, complete, offset, false);
  } else if (!(*context & 0x20)) {
    if (*trailing != '\0') {
      *context = 0x20;
      f->nameShape = 0x19;
    } else {
      *context &= ~kPersonalNameBits;
    }
  } else {
    *trailing = '\0';
    *context &= ~0x20u;
    f->nameShape = 0x29;
    MarkAll(f, kEmpty, complete, offset, false);
  }
  return model::SetAttributeValue(f, w.copy, offset, kPartSlot[kSurname]);
}

}  // namespace

int32_t ParseCanonicalName(hvcnFormat* f, hvcnToken* token, bool complete, uint32_t* context) noexcept {
  const SavedSlots saved = Save(f);
  const uint32_t entryContext = *context;
  if (TooLong(f, token)) return hvcnERR_NAME_DOES_NOT_FIT;
  Words w;
  CopyText(w, f, token);
  if (w.copy[0] == '\0') {
    MarkAll(f, kEmptyAb, complete, w.baseOffset, true);
    return hvcnSUCCESS;
  }
  char* comma = const_cast<char*>(FindUnescapedChar(w.copy, f->commaChar));
  if (*comma == '\0') return SurnameOnly(f, w, complete, context);

  *comma = '\0';
  if (!SplitWords(w, comma + 1, 4)) return TooManyParts(f);
  int32_t status = model::SetAttributeValue(f, w.copy, w.baseOffset, kPartSlot[kSurname]);
  if (status == hvcnSUCCESS) {
    if (w.count == 0) *context &= ~kPersonalNameBits;
    else status = RunReadings(f, w, kCanonical, complete, context);
  }
  return Finish(f, saved, entryContext, status);
}

int32_t ParseNonCanonicalName(hvcnFormat* f, hvcnToken* token, bool complete, uint32_t* context) noexcept {
  const SavedSlots saved = Save(f);
  const uint32_t entryContext = *context;
  if (TooLong(f, token)) return hvcnERR_NAME_DOES_NOT_FIT;
  Words w;
  CopyText(w, f, token);
  if (!SplitWords(w, w.copy, 7)) return TooManyParts(f);
  if (w.count == 0) {  // empty, or blanks only
    MarkAll(f, kEmptyAb, complete, w.baseOffset, true);
    return hvcnSUCCESS;
  }
  return Finish(f, saved, entryContext, RunReadings(f, w, kNonCanonical, complete, context));
}

}  // namespace hvcn::parse
