#include "internet/rs_list.h"

#include <array>
#include <cstring>

#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/trace.h"
#include "model/catalogue.h"
#include "model/slots.h"

namespace hvcn::internet {
namespace {

// The marker of the user-only form, standing for all standard attributes.
constexpr char kStandardMarker[] = "@X400-ATTR@";
// What the marker takes from the space left: its 11 bytes, RS and NUL.
constexpr uint32_t kMarkerRoom = 13;

// The slots a section token covers: the base slots of some groups, in slot
// order, then their teletex twins, which 7-bit-only formats leave out.
struct Section {
  int32_t tokenId;
  std::array<model::Slot, model::kStandardSlots> base;
  size_t baseCount;
  std::array<model::Slot, model::kStandardSlots> twins;
  size_t twinCount;
};

template <typename... Groups>
constexpr Section MakeSection(int32_t tokenId, Groups... groups) noexcept {
  Section section{tokenId, {}, 0, {}, 0};
  for (const model::SlotRow& row : model::kSlotRows) {
    if (model::IsTeletexVariant(row.slot) || ((row.group != groups) && ...)) continue;
    section.base[section.baseCount++] = row.slot;
    const int twin = model::OtherTwinOf(row.slot);
    if (twin >= 0) section.twins[section.twinCount++] = static_cast<model::Slot>(twin);
  }
  return section;
}

using model::Group;
constexpr Section kSections[] = {
    MakeSection(hvcnTOKEN_EFA, Group::DdaType, Group::DdaValue),
    MakeSection(hvcnTOKEN_X400, Group::OrgUnit, Group::Address, Group::DdaType, Group::DdaValue),
    MakeSection(hvcnTOKEN_NONCANON, Group::Personal),
    MakeSection(hvcnTOKEN_CANON, Group::Personal),
};

class ListWriter {
 public:
  ListWriter(const hvcnFormat* format, char* buffer, uint32_t size) noexcept
      : format_(format), start_(buffer), out_(buffer), left_(size - 1) {
    *out_ = '\0';
  }

  // Adds one slot's name; false when it does not fit.
  bool Add(int slot) noexcept {
    int added = model::AppendAttributeName(format_, slot, listed_, out_, left_);
    if (added < 0) {
      trace::If(trace::kError, trace::tag::kError, "Insufficient space to store attributes for token number %d",
                slot);
      *out_ = '\0';
      return false;
    }
    out_ += added;
    left_ -= static_cast<uint32_t>(added);
    return true;
  }

  bool AddAll(const model::Slot* slots, size_t count) noexcept {
    for (size_t i = 0; i < count; ++i)
      if (!Add(slots[i])) return false;
    return true;
  }

  int32_t UserOnly() noexcept {
    if (left_ <= kMarkerRoom - 1) return hvcnERR_BUFFER_TOO_SMALL;
    std::memcpy(out_, kStandardMarker, sizeof kStandardMarker - 1);
    out_ += sizeof kStandardMarker - 1;
    *out_++ = hvcnCHAR_RS;
    *out_ = '\0';
    left_ -= kMarkerRoom;
    for (int slot = 0; slot < model::kStandardSlots; ++slot) listed_[slot] = true;
    for (int slot = model::kFirstUserSlot; slot < model::kSlotCount; ++slot)
      if (format_->attributes[slot].id != 0 && !Add(slot)) return hvcnERR_BUFFER_TOO_SMALL;
    return hvcnSUCCESS;  // the list keeps its final RS
  }

  int32_t Usual() noexcept {
    const bool sevenBit = (format_->flags & hvcnFMT_7BIT_ONLY) != 0;
    for (const hvcnToken& token : format_->tokens) {
      if (token.id == 0) continue;
      if (token.slot != hvcnSLOT_SECTION) {
        if (!Add(static_cast<int>(token.slot))) return hvcnERR_BUFFER_TOO_SMALL;
        continue;
      }
      for (const Section& section : kSections) {
        if (section.tokenId != token.id) continue;
        if (!AddAll(section.base.data(), section.baseCount) ||
            (!sevenBit && !AddAll(section.twins.data(), section.twinCount)))
          return hvcnERR_BUFFER_TOO_SMALL;
      }
    }
    if (out_ != start_) {
      // Drop the RS after the last name.
      char* end = out_;
      if (StepByCharacter) PrevChar(end, start_, Utf8Text);
      else --end;
      *end = '\0';
    }
    return hvcnSUCCESS;
  }

 private:
  const hvcnFormat* format_;
  char* start_;
  char* out_;
  uint32_t left_;
  bool listed_[model::kSlotCount] = {};
};

}  // namespace

int32_t BuildRSList(const hvcnFormat* format, char* buffer, uint32_t size) noexcept {
  ListWriter writer(format, buffer, size);
  return (format->flags & hvcnFMT_RS_USER_ONLY) ? writer.UserOnly() : writer.Usual();
}

}  // namespace hvcn::internet

