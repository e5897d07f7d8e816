// hvcnFormatName: the held name as one line of text, laid out by the output
// tokens, with the separator rules between the texts of the tokens.
#include <cstring>
#include <string_view>

#include "core/copy.h"
#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "model/catalogue.h"
#include "model/held_value.h"
#include "output/output.h"

namespace hvcn::output {
namespace {

constexpr uint8_t kSepNone = 0;
constexpr uint8_t kSepAdjacent = 1;
constexpr size_t kEscapeListMax = sizeof(hvcnFormat::escapeList) - 1;

void ResetWork(hvcnToken* token) noexcept {
  *token = hvcnToken{};
  token->valueLength = hvcnVALUE_ABSENT;
}

// The token at index k of the output sequence: a token of the input format
// itself, or a copy or a synthesised token in the work record.
const hvcnToken* NextOutputToken(const hvcnFormat* f, int k, hvcnToken* work) noexcept {
  if (k > 9) return nullptr;
  if (f->outputTokenIds[0] == 0) return &f->tokens[k];
  const int32_t id = f->outputTokenIds[k];
  if (id == 0) return nullptr;
  const hvcnToken* found = nullptr;
  for (const auto& token : f->tokens)
    if (token.id == id) {
      found = &token;
      break;
    }
  if (found) {
    *work = *found;
  } else {
    ResetWork(work);
    work->id = id;
    if (id == hvcnTOKEN_EFA) {
      work->leadSep = '(';
      work->trailSep = ')';
      work->slot = hvcnSLOT_SECTION;
    } else {
      work->leadSep = static_cast<uint8_t>(f->slashChar);
      work->trailSep = kSepAdjacent;
      if (id >= hvcnTOKEN_X400 && id <= hvcnTOKEN_CANON) {
        work->slot = hvcnSLOT_SECTION;
      } else {
        int slot = model::SlotOfId(id);
        if (slot < 0) slot = model::FindUserById(f, id);
        work->slot = slot < 0 ? static_cast<uint32_t>(model::kSlotCount) : static_cast<uint32_t>(slot);
      }
    }
  }
  const bool last = k == 9 || f->outputTokenIds[k + 1] == 0;
  work->tokenFlags = static_cast<uint16_t>(last ? (work->tokenFlags | hvcnTOK_LAST) : (work->tokenFlags & ~hvcnTOK_LAST));
  return work;
}

// The default escape list: slash, comma, '=', blank, then the tokens'
// separator characters, at most 15 in all.
void FillEscapeList(hvcnFormat* f) noexcept {
  char* list = f->escapeList;
  size_t n = 0;
  auto add = [&](char c) noexcept {
    if (static_cast<unsigned char>(c) > 0x1F && n < kEscapeListMax && !std::memchr(list, c, n)) list[n++] = c;
  };
  add(f->slashChar);
  add(f->commaChar);
  add('=');
  add(' ');
  for (const auto& token : f->tokens) {
    if (token.id == 0) continue;
    add(static_cast<char>(token.leadSep));
    add(static_cast<char>(token.trailSep));
  }
  list[n] = '\0';
}

// Whether the held name carries a foreign address in its DDA pairs.
bool ForeignAddressPresent(const hvcnFormat* f) noexcept {
  const model::DdaPair first = model::kDdaPairs[0];
  const uint32_t type = f->attributes[first.type].valueLength;
  if (type == hvcnVALUE_FOREIGN) return true;
  if (type == hvcnVALUE_ABSENT || type == 0) {
    const uint32_t value = f->attributes[first.value].valueLength;
    return value != hvcnVALUE_ABSENT && value != 0;
  }
  const auto text = model::ValueOf(f, first.type).text;
  return IsForeignAddressType(text.data(), text.size());
}

// Marks a slot and (unless excluded) its teletex twin as owned by a token.
void MarkWithTwin(Writer& w, int slot, bool twins) noexcept {
  w.marks[slot] = true;
  if (twins) w.marks[model::OtherTwinOf(slot)] = true;
}

void RestoreWildcards(char* text) noexcept {
  if (!std::strchr(text, hvcnCHAR_US)) return;  // the usual case, found fast
  const char wildcard = ProcessWildcard();
  for (char* p = text; *p; Step(p))
    if (*p == hvcnCHAR_US) *p = wildcard;
}

int Render(const hvcnFormat* f, const hvcnToken& token, bool foreign, Writer& w, int status) noexcept {
  switch (token.id) {
    case hvcnTOKEN_CANON: return FormatCanonicalName(f, w);
    case hvcnTOKEN_NONCANON: return FormatNonCanonicalName(f, w);
    case hvcnTOKEN_X400: return FormatX400Part(f, w);
    case hvcnTOKEN_EFA:
      if (foreign && !(f->flags & hvcnFMT_NO_FOREIGN)) return FormatForeignAddress(f, token, w);
      return status;
    default: return FormatAttributeToken(f, token, w);
  }
}

// The separators between the texts of the output tokens. A token's leading
// separator goes before its text, unless it begins the name or the token
// before left the same character pending; a token that writes nothing takes
// its separator back. After a text comes the trailing separator (with a
// blank), or a blank, or nothing when the next token leads with the same
// character.
class Separators {
 public:
  Separators(const hvcnFormat* f, Writer& w, size_t* contentEnd) noexcept : f_(f), w_(w), contentEnd_(contentEnd) {}

  // Before a token's text; false when there is no room.
  bool Lead(const hvcnToken& token) noexcept {
    leadStart_ = w_.text.At();
    leadWritten_ = false;
    const bool write = begun_ && pending_ != token.leadSep && token.leadSep > kSepAdjacent;
    begun_ = true;
    if (!write) return true;
    if (!w_.Put(static_cast<char>(token.leadSep))) return false;
    leadWritten_ = seen_ = true;
    return true;
  }

  // After a token that wrote nothing.
  void TakeBack() noexcept {
    if (!leadWritten_) return;
    w_.text.Rewind(leadStart_);
    pending_ = kSepNone;
  }

  // After a token's text, with the token that follows (none for the last);
  // false when there is no room.
  bool Trail(const hvcnToken& token, const hvcnToken* next) noexcept {
    const bool openEnded = (token.tokenFlags & hvcnTOK_OPEN_ENDED) != 0;
    if (!next) {
      // The last token closes with its separator only after separators
      // were written before it, and only when the name did not end inside it.
      if (token.trailSep <= kSepAdjacent || openEnded || !seen_) return true;
      return PutContent(static_cast<char>(token.trailSep));
    }
    // A typed name that ended inside the token goes on after a blank.
    if (f_->nameType == -1 && openEnded) return w_.Put(' ');
    pending_ = token.trailSep;
    if (pending_ == next->leadSep) {
      pending_ = kSepNone;  // the next token writes it, when it has text
      return true;
    }
    if (pending_ <= kSepAdjacent) {
      pending_ = kSepNone;
      return w_.Put(' ');
    }
    return PutContent(static_cast<char>(pending_)) && w_.Put(' ');
  }

 private:
  // A separator that belongs to the text when the name ends after it.
  bool PutContent(char c) noexcept {
    if (!w_.Put(c)) return false;
    *contentEnd_ = w_.text.At();
    return true;
  }

  const hvcnFormat* f_;
  Writer& w_;
  size_t* contentEnd_;
  uint8_t pending_ = kSepNone;  // the trailing separator the next token may take over
  bool begun_ = false;          // a token was met
  bool seen_ = false;           // a leading separator was written
  size_t leadStart_ = 0;
  bool leadWritten_ = false;
};

// The output tokens in turn, with the separators between their texts.
// Returns the status; *contentEnd is where the result ends.
int32_t WriteTokens(const hvcnFormat* f, Writer& w, bool foreign, size_t* contentEnd) noexcept {
  hvcnToken work[2];
  ResetWork(&work[0]);
  ResetWork(&work[1]);
  Separators separators(f, w, contentEnd);
  int32_t status = hvcnSUCCESS;
  const hvcnToken* current = NextOutputToken(f, 0, &work[0]);
  for (int i = 0; i < hvcnTOKEN_COUNT && current && current->id != 0; ++i) {
    hvcnToken* spare = current == &work[0] ? &work[1] : &work[0];
    const hvcnToken* next = (current->tokenFlags & hvcnTOK_LAST) ? nullptr : NextOutputToken(f, i + 1, spare);
    if (!separators.Lead(*current)) return hvcnERR_BUFFER_TOO_SMALL;
    const size_t textStart = w.text.At();
    status = Render(f, *current, foreign, w, status);
    if (w.text.At() == textStart) {
      separators.TakeBack();
    } else {
      *contentEnd = w.text.At();
      if (status == hvcnSUCCESS && !separators.Trail(*current, next)) return hvcnERR_BUFFER_TOO_SMALL;
    }
    if (status != hvcnSUCCESS) return status;
    current = next;
  }
  return status;
}

// Tokens of the personal name, and a foreign address with its token, keep
// their attributes out of the X.400 part. True when a foreign address is
// held and an EFA token writes it.
bool MarkOwnedSlots(const hvcnFormat* f, Writer& w) noexcept {
  bool foreign = false;
  hvcnToken work;
  for (int k = 0; k < hvcnTOKEN_COUNT; ++k) {
    const hvcnToken* token = NextOutputToken(f, k, &work);
    if (!token || token->id == 0) break;
    if (token->id == hvcnTOKEN_EFA) {
      if (!foreign) foreign = ForeignAddressPresent(f);
      if (foreign) {
        for (const model::DdaPair& pair : model::kDdaPairs) {
          MarkWithTwin(w, pair.type, true);
          MarkWithTwin(w, pair.value, true);
        }
      }
    } else if (token->id == hvcnTOKEN_CANON || token->id == hvcnTOKEN_NONCANON) {
      for (const model::Slot slot : model::kPersonalSlots) MarkWithTwin(w, slot, !(f->flags & hvcnFMT_7BIT_ONLY));
    }
  }
  return foreign;
}

// A typed name comes back exactly as it was typed (a buffer too small is
// left as it was).
int32_t CopyTypedName(const hvcnFormat* f, TextSink& name) noexcept {
  const void* end = std::memchr(f->nameBuffer, '\0', sizeof f->nameBuffer);
  const size_t length =
      end ? static_cast<size_t>(static_cast<const char*>(end) - f->nameBuffer) : sizeof f->nameBuffer - 1;
  if (!name.Fits(length)) {
    trace::WriteLine(trace::tag::kError, "Buffer is to small for name held in format.");
    return hvcnERR_BUFFER_TOO_SMALL;
  }
  trace::WriteLine(trace::tag::kData, "Copying name held in format structure.");
  name.Append(f->nameBuffer, length);
  name.Terminate();
  return hvcnSUCCESS;
}

}  // namespace

int32_t FormatName(hvcnFormat* f, TextSink& name, uint16_t flags) noexcept {
  if (f->nameType == -1 && !(flags & (hvcnFN_REFORMAT | hvcnFN_ESCAPE))) return CopyTypedName(f, name);

  const bool escaping = (flags & hvcnFN_ESCAPE) != 0;
  if (escaping && f->escapeList[0] == '\0') FillEscapeList(f);
  char escapes[sizeof f->escapeList];
  CopyBounded(escapes, sizeof escapes, std::string_view(f->escapeList, strnlen(f->escapeList, sizeof escapes)));

  Writer w{name, {}, escaping ? escapes : "", escaping};
  const bool foreign = MarkOwnedSlots(f, w);
  size_t contentEnd = 0;
  const int32_t status = WriteTokens(f, w, foreign, &contentEnd);
  name.Rewind(contentEnd);
  name.Terminate();
  if (char* text = name.Text()) {
    if (f->nameType != -1) RestoreWildcards(text);
    if (status == hvcnSUCCESS) trace::If(trace::kData, trace::tag::kData, "Output name: '%s'", text);
  }
  return status;
}

}  // namespace hvcn::output
