// The X.400 part: tag=value components separated by the slash character,
// the first of which may be a comma-separated list of organisational units
// written without tags ("Sales,Dev/o=Org/c=US").
#include <array>
#include <string_view>
#include <cstring>

#include "core/copy.h"
#include "core/ascii.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "model/slots.h"
#include "model/tag_names.h"
#include "parse/parse.h"

namespace hvcn::parse {
namespace {

// Other names for tags, tried in slot order when no tag of the table
// matches: the catalogue rows' aliases.
struct Alias {
  const char* tag;
  int slot;
};
constexpr size_t kAliasCount = [] {
  size_t n = 0;
  for (const model::SlotRow& row : model::kSlotRows) n += row.alias[0] != '\0';
  return n;
}();
constexpr std::array<Alias, kAliasCount> kAliases = [] {
  std::array<Alias, kAliasCount> aliases{};
  size_t n = 0;
  for (const model::SlotRow& row : model::kSlotRows)
    if (row.alias[0] != '\0') aliases[n++] = {row.alias, row.slot};
  return aliases;
}();

constexpr size_t kTagBuffer = 40;  // a tag of up to 39 bytes, escapes removed

// A NUL-terminated copy of [p, end) for trace lines.
struct Shown {
  char text[trace::kLineSize / 2];
  Shown(const char* p, const char* end) noexcept {
    CopyBounded(text, sizeof text, std::string_view(p, static_cast<size_t>(end - p)));
  }
};

class X400Reader {
 public:
  X400Reader(hvcnFormat* f, bool complete) noexcept
      : f_(f), complete_(complete), slash_(f->slashChar), comma_(f->commaChar) {}

  int32_t Read(hvcnToken* token, uint32_t* context) noexcept {
    const TokenText text = TextOf(f_, token);
    if (text.begin == text.end) return hvcnSUCCESS;
    end_ = text.trimmed;
    char* p = text.begin;
    if (p < end_ && *p == slash_) ++p;
    bool first = true;
    while (p < end_) {
      while (p < end_ && *p == ' ') ++p;
      if (p >= end_) return hvcnSUCCESS;
      bool tagged = !first;
      if (first) {
        first = false;
        if (*context & kX400AsTagBit) {
          *context &= ~kX400AsTagBit;
          tagged = true;
        } else {
          char* at = ScanUnescaped(p, end_, {'=', comma_, slash_});
          if (at < end_ && *at == '=') {
            tagged = true;
          } else if (at >= end_) {
            *context |= kX400AsTagBit;  // the other reading: as a tag
          }
        }
      }
      int32_t status = tagged ? Tagged(&p) : OrganisationalUnits(&p);
      if (status != kContinue) return status;
    }
    return hvcnSUCCESS;
  }

 private:
  static constexpr int32_t kContinue = -1;

  // One tag=value component; moves *p to the next component.
  int32_t Tagged(char** at) noexcept {
    char* start = *at;
    char* equals = ScanUnescaped(start, end_, {'=', slash_});
    if (equals < end_ && *equals == slash_) {
      trace::If(trace::kError, trace::tag::kError, "Found '%c' in tag name (at %s)", slash_, start);
      return hvcnERR_BAD_X400;
    }
    if (UnescapedLength(start, equals) > kTagBuffer - 1) {
      trace::If(trace::kError, trace::tag::kError, "X.400 tag name is too long (%s)", start);
      return hvcnERR_UNKNOWN_TAG;
    }
    if (equals >= end_) {
      if (complete_ || *end_ != '\0') {
        trace::If(trace::kError, trace::tag::kError, "Tag name not terminated in X.400 token (at %s)", start);
        return hvcnERR_BAD_X400;
      }
      trace::If(trace::kInfo, trace::tag::kInformation, "Ignoring trailing tag name in address (%s)", start);
      return hvcnSUCCESS;
    }
    if (equals == start) {
      trace::If(trace::kError, trace::tag::kError, "'%c=' is invalid", slash_);
      return hvcnERR_BAD_X400;
    }
    const size_t tagLength = static_cast<size_t>(equals - start);
    int slot = -1;
    char* ddaType = nullptr;
    bool isDda = false;
    const int index = tags_->Match(start, tagLength, &isDda);
    if (isDda) {
      if (nextDda_ >= model::kDdaPairs.size()) {
        trace::WriteLine(trace::tag::kError, "More than four DDAs specified in address");
        return hvcnERR_TOO_MANY_DDAS;
      }
      ddaType = start + tags_->ddaLength;
    } else if (index >= 0) {
      slot = model::kTagSlot[static_cast<size_t>(index)];
    }
    if (slot < 0 && !ddaType) {
      for (const Alias& alias : kAliases)
        if (ascii::EqualNoCase(std::string_view(start, tagLength), alias.tag)) {
          slot = alias.slot;
          break;
        }
    }
    if (slot < 0 && !ddaType) {
      Shown tag(start, equals);
      trace::If(trace::kError, trace::tag::kError, "Unknown X.400 tag name (%s)", tag.text);
      return hvcnERR_UNKNOWN_TAG;
    }
    if (ddaType) {
      const model::DdaPair& pair = model::kDdaPairs[nextDda_++];
      slot = pair.value;
      if (int32_t status = model::StoreValue(f_, ddaType, equals, pair.type)) return status;
    }
    char* value = equals + 1;
    if (value >= end_) return hvcnSUCCESS;  // nothing stored for an empty last value
    char* valueEnd = ScanUnescaped(value, end_, {slash_});
    if (int32_t status = model::StoreValue(f_, value, TrailingBlanks(value, valueEnd), slot)) return status;
    *at = valueEnd < end_ ? valueEnd + 1 : end_;
    return kContinue;
  }

  // The organisational units of the first component: o1 to o4.
  int32_t OrganisationalUnits(char** at) noexcept {
    char* p = *at;
    for (size_t unit = 0;;) {
      char* unitEnd = ScanUnescaped(p, end_, {comma_, slash_});
      if (int32_t status = model::StoreValue(f_, p, TrailingBlanks(p, unitEnd), model::kOrgUnitSlots[unit])) return status;
      if (unitEnd >= end_) {
        *at = end_;
        return hvcnSUCCESS;
      }
      if (*unitEnd == slash_) {
        *at = unitEnd + 1;
        return kContinue;
      }
      p = unitEnd + 1;
      while (p < end_ && *p == ' ') ++p;
      if (++unit == model::kOrgUnitSlots.size()) return hvcnERR_TOO_MANY_OUS;
      if (p >= end_) return complete_ ? hvcnERR_BAD_X400 : hvcnSUCCESS;
    }
  }

  static size_t UnescapedLength(const char* p, const char* end) noexcept {
    size_t n = 0;
    while (p < end) {
      if (*p == '\\' && p + 1 < end) ++p;
      ++p;
      ++n;
    }
    return n;
  }

  hvcnFormat* f_;
  const model::TagNames tags_;  // the tag names, as they stand for the whole part
  bool complete_;
  char slash_;
  char comma_;
  char* end_ = nullptr;
  size_t nextDda_ = 0;  // the next domain-defined attribute pair
};

}  // namespace

int32_t ParseX400Part(hvcnFormat* format, hvcnToken* token, bool complete, uint32_t* context) noexcept {
  X400Reader reader(format, complete);
  return reader.Read(token, context);
}

}  // namespace hvcn::parse
