// Writing a held name in a standard O/R address form.
//
//   the "/" form   /G=John/S=Smith/OU=Dev/OU=Sales/O=Acme/PRMD=Acme/ADMD=ATTMAIL/C=US/
//       RFC 2156's order, the most significant on the right (kStdOrOrder):
//       the units as repeated OU=, the fourth first, the domain-defined
//       attributes with the first last. '$' goes before '$', '/', ';', '='
//       and '*' in a value; a value with a teletex variant is written
//       printable*teletex, the teletex part with '{' as {123}, '*' as
//       {042} and, under hvcnOR_TELETEX_ESCAPES, every character beyond
//       ASCII as the {ddd} codes of its T.61 form (one without one cannot
//       be written so)
//   the ";" form   G=John;S=Smith;O=Acme;OU1=Sales;OU2=Dev;P=Acme;A=ATTMAIL;C=US
//       RFC 1685's order (kAnnexFOrder); a ';' in a value is doubled, an
//       '=' in a domain-defined type too; a value with a teletex variant is
//       written as that variant (UTF-8 text)
//
// The postal attributes come last (kTrailingOrder), with the RFC 2156
// labels in the "/" form and the short ones in the ";" form unless the
// flags say otherwise. Empty values are left out, the blank ADMD is not,
// and so are empty domain-defined pairs after the last held one. The
// terminal types 3 to 8 are written by their F.401 names (tlx ... vtx).
// Every value written passes the check a reader gives it (orname/values.h),
// the units and the domain-defined pairs have no gap and the types differ
// but for letter case: what is written reads back to the same values, or
// nothing is written. The value of an RFC-822 domain-defined attribute
// spells the characters PrintableString lacks as (a), (p), (b), (q), (u),
// (l), (r) or (ddd). A typed name's values are written without their
// escapes; US stands for the wildcard character. A value holding any other
// control character cannot be written (the readers refuse them), nor can a
// '|' in an unformatted postal address.
#include <cstring>
#include <span>

#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/t61.h"
#include "internal_form/internal_form.h"
#include "model/held_value.h"
#include "model/validate.h"
#include "orname/forms.h"
#include "orname/labels.h"
#include "orname/values.h"

namespace hvcn::orname {
namespace {

constexpr size_t kScratch = sizeof(hvcnFormat::nameBuffer) + 1;

enum class Part : uint8_t { Printable, Teletex };

struct Context {
  hvcnFormat* format;
  Output& out;
  Form form;
  uint32_t flags;
  const bool* skip;  // slots left out (covered by a mapped domain), or null
  bool begun = false;

  bool Skipped(int slot) const noexcept { return skip && skip[slot]; }
};

void PutDecimal(Output& out, char open, unsigned char byte, char close) noexcept {
  const char text[5] = {open, static_cast<char>('0' + byte / 100), static_cast<char>('0' + byte / 10 % 10),
                        static_cast<char>('0' + byte % 10), close};
  out.Put(std::string_view(text, sizeof text));
}

using internal_form::HeldText;
using internal_form::SourceSlot;

// An RFC-822 character as RFC 2156 spells it in PrintableString.
void PutRfc822Character(Output& out, unsigned char c) noexcept {
  char text[5];
  out.Put(std::string_view(text, SpellRfc822(c, text)));
}

// A character beyond ASCII: as it is (UTF-8), or in the teletex part of the
// "/" form under hvcnOR_TELETEX_ESCAPES as the {ddd} codes of its T.61 form,
// or in an RFC-822 value byte by byte as (ddd). False when it cannot be
// written so.
bool PutWide(Context& c, std::string_view character, Part part, bool rfc822) noexcept {
  const bool escapes = (c.flags & hvcnOR_TELETEX_ESCAPES) != 0 && c.form == Form::StdOr;
  if (rfc822) {
    for (char b : character) PutRfc822Character(c.out, static_cast<unsigned char>(b));
    return true;
  }
  if (!escapes) {
    c.out.Put(character);
    return true;
  }
  if (part != Part::Teletex) return false;
  char t61[4];
  const t61::Result result = t61::Encode(character, t61, sizeof t61);
  if (result.outcome != t61::Outcome::Done) return false;
  // The T.61 bytes beyond ASCII as codes; a letter after a diacritic's
  // code as it is.
  for (size_t i = 0; i < result.written; ++i) {
    const auto byte = static_cast<unsigned char>(t61[i]);
    if (byte < 0x80) c.out.Put(t61[i]);
    else PutDecimal(c.out, '{', byte, '}');
  }
  return true;
}

// Writes one value (or one part of it); false when a character cannot be
// carried. `type`: a domain-defined type of the ";" form, which doubles '='.
bool PutValue(Context& c, std::string_view value, Part part, int slot, bool rfc822, bool type = false) noexcept {
  Output& out = c.out;
  const bool stdOr = c.form == Form::StdOr;
  const bool postalLines = slot == model::kUnformattedPostal && part == Part::Printable;
  const char* end = value.data() + value.size();
  for (const char* p = value.data(); p < end;) {
    size_t n = CharBytes(p);
    if (n > static_cast<size_t>(end - p)) n = static_cast<size_t>(end - p);
    const auto byte = static_cast<unsigned char>(*p);
    if (n > 1 || byte >= 0x80) {
      if (!PutWide(c, {p, n}, part, rfc822)) return false;
      p += n;
      continue;
    }
    ++p;
    if (postalLines && byte == kPostalLineSeparator) {
      out.Put(kPostalLineMark);
    } else if ((postalLines && byte == kPostalLineMark) || byte < 0x20 || byte == 0x7F) {
      return false;  // read back, it would be another character
    } else if (rfc822 && SpelledInRfc822(byte)) {
      PutRfc822Character(out, byte);
    } else if (!stdOr) {
      out.Put(byte == ';' ? std::string_view(";;") : (type && byte == '=') ? std::string_view("==") : std::string_view(p - 1, 1));
    } else if (byte == '$' || byte == '/' || byte == ';' || byte == '=' || (byte == '*' && part == Part::Printable)) {
      out.Put('$');
      out.Put(static_cast<char>(byte));
    } else if (part == Part::Teletex && (byte == '{' || byte == '*')) {
      PutDecimal(out, '{', byte, '}');
    } else {
      out.Put(static_cast<char>(byte));
    }
  }
  return true;
}

// A refusal: the detail (naming `label`) and the status.
int32_t Refuse(Context& c, std::string_view label, uint16_t detailId = detail::kCannotWrite,
               int32_t status = hvcnERR_BAD_VALUE) noexcept {
  char text[32];
  const size_t n = label.size() < sizeof text - 1 ? label.size() : sizeof text - 1;
  if (n > 0) std::memcpy(text, label.data(), n);
  text[n] = '\0';
  RecordDetailWith(c.format, detailId, text);
  return status;
}

// A held value its reader would refuse: the check's status.
int32_t Checked(Context& c, std::string_view label, int slot, std::string_view value) noexcept {
  if (value.empty()) return hvcnSUCCESS;
  const int32_t status = CheckValue(slot, value);
  return status == hvcnSUCCESS ? status : Refuse(c, label, detail::kValueNotWritten, status);
}

// What an item of the ";" form writes: the teletex text where there is
// one, without the blanks at its ends (its reader drops them).
std::string_view AnnexFText(std::string_view printable, std::string_view teletex) noexcept {
  return Trim(teletex.empty() ? printable : teletex);
}

// Whether a ";" form value, as written (an RFC-822 value spelled), holds
// what its reader takes for further items (orname/labels.h).
bool TakenForItems(std::string_view text, bool rfc822) noexcept {
  bool directory = false;
  if (!rfc822) return HoldsFurtherItem(text, &directory);
  char spelled[5 * kScratch];
  size_t n = 0;
  for (char ch : text) {
    if (n + 5 > sizeof spelled) return true;
    if (SpelledInRfc822(static_cast<unsigned char>(ch))) n += SpellRfc822(static_cast<unsigned char>(ch), spelled + n);
    else spelled[n++] = ch;
  }
  return HoldsFurtherItem({spelled, n}, &directory);
}

// Starts an item: the separator before it.
void Begin(Context& c) noexcept {
  const bool first = !c.begun;
  c.begun = true;
  if (c.form == Form::StdOr) c.out.Put('/');
  else if (!first) c.out.Put(';');
}

// A domain-defined type after its label's "DD." or "DDA:". The "/" form
// quotes a blank at either end, which the reader would drop; the ";" form
// writes an '=' of the type "==", and its reader drops the blanks at the
// ends of a type, so it can hold none.
int32_t PutType(Context& c, std::string_view label, std::string_view type) noexcept {
  if (c.form == Form::AnnexF) {
    if (Trim(type).size() != type.size()) return Refuse(c, label);
    return PutValue(c, type, Part::Printable, -1, false, true) ? hvcnSUCCESS : Refuse(c, label);
  }
  if (!type.empty() && IsBlank(type.front())) c.out.Put('$');
  const bool blankEnd = type.size() > 1 && IsBlank(type.back());
  if (!PutValue(c, blankEnd ? type.substr(0, type.size() - 1) : type, Part::Printable, -1, false))
    return Refuse(c, label);
  if (blankEnd) {
    c.out.Put('$');
    c.out.Put(type.back());
  }
  return hvcnSUCCESS;
}

// One item: label=printable[*teletex] in the "/" form, label=value in the
// ";" form (the teletex text when there is one). The ";" form's reader
// drops the blanks at the ends of a value, so they are not written, and an
// item whose value is nothing else is left out (but for the blank ADMD).
int32_t PutItem(Context& c, std::string_view label, std::string_view labelTail, std::string_view printable,
                std::string_view teletex, int slot, bool rfc822) noexcept {
  std::string_view text;
  if (c.form == Form::AnnexF) {
    text = AnnexFText(printable, teletex);
    if (slot == model::kAdmd) text = AdmdText(text);
    if (text.empty()) return hvcnSUCCESS;
    // After a domain-defined type, a value starting with '=' would read as
    // the type's "==".
    if (labelTail.data() != nullptr && text.front() == '=') return Refuse(c, label);
    if (TakenForItems(text, rfc822)) return Refuse(c, label, detail::kFurtherItemsWritten);
  }
  Begin(c);
  c.out.Put(label);
  if (labelTail.data() != nullptr)
    if (int32_t status = PutType(c, label, labelTail)) return status;
  c.out.Put('=');
  if (c.form == Form::AnnexF) return PutValue(c, text, Part::Printable, slot, rfc822) ? hvcnSUCCESS : Refuse(c, label);
  if (!teletex.empty() && !printable.empty())
    if (int32_t status = CheckPrintablePart(slot, printable)) return Refuse(c, label, detail::kValueNotWritten, status);
  if (!PutValue(c, printable, Part::Printable, slot, rfc822))
    return Refuse(c, label, (c.flags & hvcnOR_TELETEX_ESCAPES) ? detail::kNotT61Written : detail::kCannotWrite);
  if (!teletex.empty()) {
    c.out.Put('*');
    if (!PutValue(c, teletex, Part::Teletex, slot, false))
      return Refuse(c, label, (c.flags & hvcnOR_TELETEX_ESCAPES) ? detail::kNotT61Written : detail::kCannotWrite);
  }
  return hvcnSUCCESS;
}

std::string_view LabelOf(int slot, const Context& c) noexcept {
  const model::SlotRow& row = model::RowOf(slot);
  const bool wantShort = c.form == Form::AnnexF ? !(c.flags & hvcnOR_LONG_LABELS) : (c.flags & hvcnOR_SHORT_LABELS) != 0;
  // The "/" form's units are OU, counted from the right.
  if (c.form == Form::StdOr && row.group == model::Group::OrgUnit) return "OU";
  return wantShort && row.shortLabel[0] ? row.shortLabel : row.label;
}

// The text of a held value in scratch, without dots where values are held
// without them (a decoded name may hold them).
void WrittenText(const hvcnFormat* f, int slot, int source, char* scratch, std::string_view* text) noexcept {
  if (!HeldText(f, source, scratch, text) || !model::HeldWithoutDots(slot)) return;
  size_t n = 0;
  for (char c : *text)
    if (c != '.') scratch[n++] = c;
  *text = {scratch, n};
}

// The texts a slot is written with: its value (or the reconfigured slot's)
// and its teletex partner's (none under hvcnFMT_7BIT_ONLY).
void SlotTexts(const hvcnFormat* f, int slot, char* base, char* variant, std::string_view* printable,
               std::string_view* teletex) noexcept {
  const int source = SourceSlot(f, slot);
  const int partner = source == slot && !(f->flags & hvcnFMT_7BIT_ONLY) ? TeletexPartner(slot) : -1;
  *printable = *teletex = {};
  WrittenText(f, slot, source, base, printable);
  if (partner >= 0) WrittenText(f, partner, partner, variant, teletex);
}

bool HoldsAnyValue(const hvcnFormat* f, int slot) noexcept {
  char base[kScratch], variant[kScratch];
  std::string_view printable, teletex;
  SlotTexts(f, slot, base, variant, &printable, &teletex);
  return !printable.empty() || !teletex.empty();
}

// Whether the slot's item is written: in the ";" form only a value that is
// not all blanks.
bool Written(const Context& c, int slot) noexcept {
  char base[kScratch], variant[kScratch];
  std::string_view printable, teletex;
  SlotTexts(c.format, slot, base, variant, &printable, &teletex);
  if (c.form == Form::AnnexF) return !AnnexFText(printable, teletex).empty();
  return !printable.empty() || !teletex.empty();
}

// The item of a slot and its teletex partner, if either holds a value.
int32_t PutSlot(Context& c, int slot) noexcept {
  char base[kScratch], variant[kScratch];
  std::string_view printable, teletex;
  SlotTexts(c.format, slot, base, variant, &printable, &teletex);
  if (printable.empty() && teletex.empty()) return hvcnSUCCESS;
  if (slot == model::kAdmd) printable = AdmdText(printable);
  const std::string_view label = LabelOf(slot, c);
  if (int32_t status = Checked(c, label, slot, printable)) return status;
  if (int32_t status = Checked(c, label, TeletexPartner(slot), teletex)) return status;
  if (slot == model::kTerminalType && printable.size() == 1)
    for (const TerminalTypeName& name : kTerminalTypeNames)
      if (printable[0] == '0' + name.type) printable = name.name;
  return PutItem(c, label, {}, printable, teletex, slot, false);
}

// The units have no gap: a unit held after one that is not (and is not
// covered by a mapped domain) would read back in its place.
int32_t CheckUnits(Context& c) noexcept {
  bool missing = false;
  for (const Slot slot : model::kOrgUnitSlots) {
    if (c.Skipped(slot)) continue;
    const bool held = Written(c, slot);
    if (held && missing) return Refuse(c, model::RowOf(slot).label, detail::kUnitGapWritten, hvcnERR_BAD_X400);
    missing = missing || !held;
  }
  return hvcnSUCCESS;
}

// The name as given.initials.surname: only when it holds nothing else (out
// of the slots not skipped), nothing in teletex, only printable ASCII, not
// starting with '/', and the text reads back as the same three parts. True when written.
bool PutPersonalName(Context& c) noexcept {
  auto open = [&](int slot) noexcept { return !c.Skipped(slot); };
  for (const Slot slot : kAnnexFOrder)
    if (open(slot) && slot != model::kSurname && slot != model::kGivenName && slot != model::kInitials &&
        HoldsAnyValue(c.format, slot))
      return false;
  for (const Slot slot : kTrailingOrder)
    if (open(slot) && HoldsAnyValue(c.format, slot)) return false;
  for (const model::DdaPair& pair : model::kDdaPairs)
    if (open(pair.type) && (HoldsAnyValue(c.format, pair.type) || HoldsAnyValue(c.format, pair.value))) return false;

  char base[3][kScratch], variant[kScratch];
  std::string_view parts[3], teletex;
  const Slot slots[3] = {model::kGivenName, model::kInitials, model::kSurname};
  for (int k = 0; k < 3; ++k) {
    SlotTexts(c.format, slots[k], base[k], variant, &parts[k], &teletex);
    if (!teletex.empty() || !open(slots[k])) return false;
  }
  const std::string_view given = parts[0], initials = parts[1], surname = parts[2];
  for (int k = 0; k < 3; ++k)
    if (!parts[k].empty() && CheckValue(slots[k], parts[k]) != hvcnSUCCESS) return false;
  char text[kScratch + 2 * 8 + 2];
  if (surname.empty() || initials.size() > 8 || given.size() + surname.size() > kScratch) return false;
  size_t n = 0;
  auto append = [&](std::string_view part) noexcept {
    if (!part.empty()) std::memcpy(text + n, part.data(), part.size());
    n += part.size();
  };
  if (!given.empty()) {
    append(given);
    text[n++] = '.';
  }
  for (char initial : initials) {
    text[n++] = initial;
    text[n++] = '.';
  }
  append(surname);
  // A text starting with '/' would read as an O/R address in the "/" form.
  if (text[0] == '/') return false;
  for (size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(text[i]) < 0x20 || static_cast<unsigned char>(text[i]) >= 0x7F) return false;
  const PersonalName back = SplitPersonalName({text, n});
  if (back.given != given || back.surname != surname || std::string_view(back.initials, back.initialCount) != initials)
    return false;
  c.out.Put(std::string_view(text, n));
  return true;
}

// The type and value texts of a domain-defined pair, as written: the type
// its printable text or its teletex one (none under 7-bit only), which
// must be the same text when both are held (`typeTwice` when not).
struct DdaTexts {
  std::string_view type, printable, teletex;
  bool typeTwice;
  char typeText[kScratch], typeVariant[kScratch], base[kScratch], variant[kScratch];
};

void ReadDda(const hvcnFormat* f, const model::DdaPair& pair, DdaTexts* t) noexcept {
  const bool twins = !(f->flags & hvcnFMT_7BIT_ONLY);
  std::string_view teletexType;
  t->type = t->printable = t->teletex = {};
  HeldText(f, pair.type, t->typeText, &t->type);
  if (twins) HeldText(f, TeletexPartner(pair.type), t->typeVariant, &teletexType);
  t->typeTwice = !t->type.empty() && !teletexType.empty() && t->type != teletexType;
  if (t->type.empty()) t->type = teletexType;
  HeldText(f, pair.value, t->base, &t->printable);
  if (twins) HeldText(f, TeletexPartner(pair.value), t->variant, &t->teletex);
}

// The pairs to write: up to the last that holds anything (an empty pair
// after it reads back as no pair). Each has a type and a value (a pair
// without one cannot be read, nor keep its place before a later pair), and
// no two types are equal but for letter case (a reader takes the second
// for the same type).
int32_t DdaPairsToWrite(Context& c, size_t* count) noexcept {
  DdaTexts a, b;
  *count = 0;
  for (size_t k = 0; k < model::kDdaPairs.size(); ++k) {
    if (c.Skipped(model::kDdaPairs[k].type)) continue;
    ReadDda(c.format, model::kDdaPairs[k], &a);
    if (!a.type.empty() || !a.printable.empty() || !a.teletex.empty()) *count = k + 1;
  }
  for (size_t k = 0; k < *count; ++k) {
    ReadDda(c.format, model::kDdaPairs[k], &a);
    if (a.type.empty()) return Refuse(c, "DD.", detail::kDdaPlace);
    if (a.typeTwice) return Refuse(c, a.type, detail::kDdaTypeTwoTexts);
    const bool noValue = c.form == Form::AnnexF ? AnnexFText(a.printable, a.teletex).empty()
                                                : a.printable.empty() && a.teletex.empty();
    if (noValue) return Refuse(c, a.type, detail::kValueNotWritten, hvcnERR_NO_VALUE);
    for (size_t j = k + 1; j < *count; ++j) {
      ReadDda(c.format, model::kDdaPairs[j], &b);
      if (EqualNoCase(a.type, b.type)) return Refuse(c, b.type, detail::kDdaTwice, hvcnERR_DUPLICATE_ATTRIBUTE);
    }
  }
  return hvcnSUCCESS;
}

int32_t PutDomainDefined(Context& c, const model::DdaPair& pair) noexcept {
  DdaTexts t;
  ReadDda(c.format, pair, &t);
  const std::string_view type = t.type, printable = t.printable, teletex = t.teletex;
  const bool rfc822 = EqualNoCase(type, model::kForeignAddressType);
  const std::string_view label = c.form == Form::StdOr ? "DD." : "DDA:";
  if (int32_t status = Checked(c, label, pair.value, printable)) return status;
  if (int32_t status = Checked(c, label, TeletexPartner(pair.value), teletex)) return status;
  // The "/" form's RFC-822 label stands for the type as it spells it.
  if (c.form == Form::StdOr && type == model::kForeignAddressType)
    return PutItem(c, "RFC-822", {}, printable, teletex, pair.value, true);
  return PutItem(c, label, type, printable, teletex, pair.value, rfc822);
}

}  // namespace

size_t SpellRfc822(unsigned char c, char* out) noexcept {
  for (const Rfc822Letter& entry : kRfc822Letters)
    if (entry.character == static_cast<char>(c)) {
      out[0] = '(', out[1] = entry.letter, out[2] = ')';
      return 3;
    }
  const char text[5] = {'(', static_cast<char>('0' + c / 100), static_cast<char>('0' + c / 10 % 10),
                        static_cast<char>('0' + c % 10), ')'};
  std::memcpy(out, text, sizeof text);
  return sizeof text;
}

int32_t WriteComponents(hvcnFormat* format, Output& out, const WriteOptions& options) noexcept {
  Context c{format, out, (options.flags & hvcnOR_ANNEXF) ? Form::AnnexF : Form::StdOr, options.flags, options.skip};
  if (options.personalName && PutPersonalName(c)) return hvcnSUCCESS;
  if (int32_t status = CheckUnits(c)) return status;
  size_t pairs = 0;
  if (int32_t status = DdaPairsToWrite(c, &pairs)) return status;
  const bool stdOr = c.form == Form::StdOr;
  for (const Slot slot : stdOr ? std::span<const Slot>(kStdOrOrder) : std::span<const Slot>(kAnnexFOrder))
    if (!c.Skipped(slot))
      if (int32_t status = PutSlot(c, slot)) return status;
  for (size_t n = 0; n < pairs; ++n) {
    const size_t k = stdOr ? pairs - 1 - n : n;
    if (!c.Skipped(model::kDdaPairs[k].type))
      if (int32_t status = PutDomainDefined(c, model::kDdaPairs[k])) return status;
  }
  for (const Slot slot : kTrailingOrder)
    if (!c.Skipped(slot))
      if (int32_t status = PutSlot(c, slot)) return status;
  if (c.begun && stdOr) out.Put('/');
  return hvcnSUCCESS;
}

int32_t WriteORAddress(hvcnFormat* format, char* buffer, uint32_t size, uint32_t* needed, uint32_t flags) noexcept {
  Output out(buffer, size);
  WriteOptions options;
  options.flags = flags;
  if (int32_t status = WriteComponents(format, out, options)) {
    out.Empty();
    if (needed) *needed = 0;
    return status;
  }
  return out.Finish(needed);
}

}  // namespace hvcn::orname
