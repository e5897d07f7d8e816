#include "format/format_info.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "core/numbers.h"
#include "core/platform/chars.h"
#include "core/strings.h"
#include "core/trace.h"
#include "format/format.h"
#include "model/catalogue.h"
#include "model/tag_names.h"

namespace hvcn::format {
namespace {

// What each data type reads or changes.
enum class Kind : uint8_t { None, OutputIds, Reconfigured, Mask, Separator, EscapeList, Flag, TagName };

struct InfoType {
  Kind kind;
  uint16_t flag;      // Kind::Flag: the format flag
  const char* label;  // Kind::Separator: the setting's name in messages
};

constexpr InfoType kInfoTypes[] = {
    {Kind::None, 0, nullptr},                       // 0
    {Kind::OutputIds, 0, nullptr},                  // 1  output token IDs
    {Kind::Reconfigured, 0, nullptr},               // 2  reconfigured attributes
    {Kind::Mask, 0, nullptr},                       // 3  X.400 directory mask
    {Kind::Separator, 0, "Slash"},                  // 4  slash character
    {Kind::Separator, 0, "Comma"},                  // 5  comma character
    {Kind::Separator, 0, "Wildcard"},               // 6  wildcard character
    {Kind::EscapeList, 0, nullptr},                 // 7  escape list
    {Kind::Flag, hvcnFMT_7BIT_ONLY, nullptr},       // 8
    {Kind::Flag, hvcnFMT_RS_USER_ONLY, nullptr},    // 9
    {Kind::Flag, hvcnFMT_COMPLEX, nullptr},         // 10
    {Kind::Flag, hvcnFMT_NO_RECONFIG, nullptr},     // 11
    {Kind::Flag, hvcnFMT_OU_TAGS, nullptr},         // 12
    {Kind::Flag, hvcnFMT_X400_PERSONAL, nullptr},   // 13
    {Kind::Flag, hvcnFMT_PREFER_TELETEX, nullptr},  // 14
    {Kind::None, 0, nullptr},                       // 15
    {Kind::TagName, 0, nullptr},                    // 16 X.400 tag name (set only)
    {Kind::Flag, hvcnFMT_NO_FOREIGN, nullptr},      // 17
};

constexpr int32_t kMaxX400Mask = model::kTagCount;  // the mask counts X.400 tag indexes
constexpr size_t kEscapeListSize = sizeof(hvcnFormat::escapeList);
constexpr size_t kReconfiguredNameLength = 24;
constexpr size_t kMaxTagName = 10;

const InfoType& TypeOf(uint16_t type) noexcept {
  return type < std::size(kInfoTypes) ? kInfoTypes[type] : kInfoTypes[0];
}

int32_t UnknownType(uint16_t type) noexcept {
  trace::If(trace::kError, trace::tag::kError, "Unknown data type supplied (%u)", type);
  return hvcnERR_BAD_PARAMETER;
}

char* SeparatorField(hvcnFormat* format, uint16_t type) noexcept {
  if (type == hvcnINFO_SLASH_CHAR) return &format->slashChar;
  if (type == hvcnINFO_COMMA_CHAR) return &format->commaChar;
  return &format->wildcardChar[0];
}

// A reconfigured entry that names a slot, else -1.
int ReconfiguredSlot(const hvcnFormat* format, size_t k) noexcept {
  int32_t entry = format->reconfigured[k];
  return (entry >= 0 && entry < model::kSlotCount) ? entry : -1;
}

void WriteInt32(void* data, size_t offset, int32_t value) noexcept {
  std::memcpy(static_cast<char*>(data) + offset, &value, sizeof value);
}

int32_t ReadInt32(const void* data, size_t index) noexcept {
  int32_t value;
  std::memcpy(&value, static_cast<const char*>(data) + index * sizeof value, sizeof value);
  return value;
}

// ---------------------------------------------------------------------------
// Get

int32_t GetOutputIds(const hvcnFormat* format, void* data, uint16_t size) noexcept {
  const bool output = format->outputTokenIds[0] != 0;
  size_t used = 0;
  for (int i = 0; i < hvcnTOKEN_COUNT; ++i) {
    if (size - used < sizeof(int32_t)) return hvcnERR_BUFFER_TOO_SMALL;
    int32_t id = output ? format->outputTokenIds[i] : format->tokens[i].id;
    WriteInt32(data, used, id);
    used += sizeof(int32_t);
    if (id == 0) return hvcnSUCCESS;
  }
  if (size - used >= sizeof(int32_t)) WriteInt32(data, used, 0);
  return hvcnSUCCESS;
}

int32_t GetReconfigured(const hvcnFormat* format, char* text, uint16_t size) noexcept {
  size_t used = 0;
  size_t afterLastName = 0;
  int32_t status = hvcnSUCCESS;
  for (size_t k = 0; k < std::size(format->reconfigured); ++k) {
    int slot = ReconfiguredSlot(format, k);
    if (slot < 0) {
      if (used + 2 > size) {
        trace::WriteLine(trace::tag::kError, "Couldn't add to reconfigured attributes list");
        status = hvcnERR_BUFFER_TOO_SMALL;
        break;
      }
      text[used++] = ',';
      continue;
    }
    const hvcnAttribute& record = format->attributes[slot];
    size_t n = model::NameLength(record);
    if (used + n + 2 > size) {
      trace::If(trace::kError, trace::tag::kError, "Couldn't add '%s' to reconfigured attributes list",
                model::NameText(record).text);
      status = hvcnERR_BUFFER_TOO_SMALL;
      break;
    }
    std::memcpy(text + used, record.name, n);
    afterLastName = used + n;
    text[afterLastName] = ',';
    used = afterLastName + 1;
  }
  text[afterLastName] = '\0';  // trailing empty entries vanish
  return status;
}

int32_t GetEscapeList(const hvcnFormat* format, char* text, uint16_t size) noexcept {
  char list[kEscapeListSize];
  const size_t n = CopyBounded(list, sizeof list, std::string_view(format->escapeList, strnlen(format->escapeList, kEscapeListSize)));
  if (size > n) {
    CopyBounded(text, size, std::string_view(list, n));
    return hvcnSUCCESS;
  }
  trace::If(trace::kError, trace::tag::kError, "Escape list '%s' too long for buffer size %d", list,
            static_cast<int>(size));
  return hvcnERR_BUFFER_TOO_SMALL;
}

// ---------------------------------------------------------------------------
// Set

int32_t SetOutputIds(hvcnFormat* format, const void* data) noexcept {
  int32_t* ids = format->outputTokenIds;
  int stored = 0;
  for (;;) {
    if (stored == hvcnTOKEN_COUNT)
      return ReadInt32(data, hvcnTOKEN_COUNT) == 0 ? hvcnSUCCESS : hvcnERR_TOO_MANY_TOKENS;
    int32_t entry = ReadInt32(data, static_cast<size_t>(stored));
    bool good = true;
    if (entry == 0) {
      ids[stored] = 0;
      if (stored + 1 < hvcnTOKEN_COUNT) ids[stored + 1] = 0;
      return hvcnSUCCESS;
    } else if (entry >= hvcnTOKEN_EFA && entry <= hvcnTOKEN_CANON) {
      // a section token
    } else if (entry > 0) {
      if (model::FindSlotById(format, entry) < 0) {
        trace::If(trace::kError, trace::tag::kError, "Token ID %d is not defined as a user token.", entry);
        good = false;
      }
    } else {
      int64_t n = static_cast<int64_t>(entry) - hvcnTOKEN_POSITION_FIRST;
      if (n < 0 || n >= hvcnTOKEN_COUNT) {
        trace::If(trace::kError, trace::tag::kError, "The token ID %d is invalid.", entry);
        good = false;
      } else if (format->tokens[n].id == 0) {
        trace::If(trace::kError, trace::tag::kError, "Requested token (%d) is unused.", static_cast<int>(n + 1));
        good = false;
      }
    }
    if (!good) {
      ids[stored] = 0;
      return hvcnERR_BAD_PARAMETER;
    }
    ids[stored++] = entry;
  }
}

int32_t SetTagName(const void* data) noexcept {
  hvcnTagNameInfo info;
  std::memcpy(&info, data, sizeof info);
  const int32_t id = static_cast<int32_t>(info.attributeId);
  if (info.attributeId < hvcnATT_SURNAME || info.attributeId > hvcnATT_FF) {
    trace::If(trace::kError, trace::tag::kError, "Attribute ID out of range for changing name '%d'", id);
    return hvcnERR_BAD_PARAMETER;
  }
  if (!info.name) return hvcnERR_BAD_PARAMETER;
  size_t length = std::strlen(info.name);
  if (length > kMaxTagName) {
    trace::If(trace::kError, trace::tag::kError, "New attribute name is too long '%s'", info.name);
    return hvcnERR_BAD_PARAMETER;
  }
  if (id > hvcnATT_DDAT1 && id <= hvcnATT_DDAV4) {
    trace::If(trace::kError, trace::tag::kError, "Can't set tag name for DDAs except hvcnATT_DDAT1, not '%d'", id);
    return hvcnERR_BAD_PARAMETER;
  }
  if (id == hvcnATT_DDAT1 && (length == 0 || info.name[length - 1] != '.')) {
    trace::If(trace::kError, trace::tag::kError, "Last charactrer of the DDA tag name must be a period. '%s'",
              info.name);
    return hvcnERR_BAD_PARAMETER;
  }
  // The table holds 9 characters: a name of 10 is stored cut to 9.
  const int index = model::TagOf(model::SlotOfId(id));
  model::SetTagName(index, info.name);
  if (trace::On(trace::kData)) {
    char stored[model::kTagNameSize];
    model::CopyTagName(index, stored, sizeof stored);
    trace::Line(trace::tag::kData, "Set new attribute name ID:%d to '%s'", id, stored);
  }
  return hvcnSUCCESS;
}

}  // namespace

GetResult GetFormatInfo(hvcnFormat* format, void* data, uint16_t size, uint16_t type) noexcept {
  if (size == 0) return {hvcnERR_BUFFER_TOO_SMALL, true};
  const InfoType& info = TypeOf(type);
  switch (info.kind) {
    case Kind::OutputIds:
      return {GetOutputIds(format, data, size), false};
    case Kind::Reconfigured:
      return {GetReconfigured(format, static_cast<char*>(data), size), false};
    case Kind::Mask:
      if (size < sizeof(int32_t)) return {hvcnERR_BUFFER_TOO_SMALL, true};
      WriteInt32(data, 0, format->x400Mask);
      return {hvcnSUCCESS, false};
    case Kind::Separator:
      *static_cast<char*>(data) = *SeparatorField(format, type);
      return {hvcnSUCCESS, false};
    case Kind::EscapeList:
      return {GetEscapeList(format, static_cast<char*>(data), size), false};
    case Kind::Flag: {
      if (size < sizeof(uint32_t)) return {hvcnERR_BUFFER_TOO_SMALL, true};
      uint32_t value = (format->flags & info.flag) ? 1 : 0;
      std::memcpy(data, &value, sizeof value);
      return {hvcnSUCCESS, false};
    }
    case Kind::None:
    case Kind::TagName:
      break;
  }
  return {UnknownType(type), false};
}

int32_t SetFormatInfo(hvcnFormat* format, const void* data, uint16_t type) noexcept {
  ForgetSetUp(format);  // whatever the type changes, the next parse sets up in full
  const InfoType& info = TypeOf(type);
  switch (info.kind) {
    case Kind::OutputIds:
      return SetOutputIds(format, data);
    case Kind::Reconfigured:
      return SetReconfigured(format, static_cast<const char*>(data));
    case Kind::Mask:
      return SetX400Mask(format, ReadInt32(data, 0));
    case Kind::Separator:
      return SetSeparator(format, type, *static_cast<const unsigned char*>(data));
    case Kind::EscapeList: {
      const char* text = static_cast<const char*>(data);
      if (std::strlen(text) >= kEscapeListSize) {
        trace::If(trace::kError, trace::tag::kError, "Too many escape characters in '%s'", text);
        return hvcnERR_BAD_PARAMETER;
      }
      CopyText(format->escapeList, kEscapeListSize, text);
      trace::If(trace::kData, trace::tag::kData, "Set escape character list to '%s'", text);
      return hvcnSUCCESS;
    }
    case Kind::Flag: {
      uint32_t value;
      std::memcpy(&value, data, sizeof value);
      return SetFlag(format, info.flag, value);
    }
    case Kind::TagName:
      return SetTagName(data);
    case Kind::None:
      break;
  }
  return UnknownType(type);
}

int32_t SetSeparator(hvcnFormat* format, uint16_t type, unsigned char byte) noexcept {
  const char* label = TypeOf(type).label;
  if (byte < 0x20 || byte > 0x7F) {
    trace::If(trace::kError, trace::tag::kError, "%s character is invalid (%d). Must be ASCII.", label,
              static_cast<signed char>(byte));
    return hvcnERR_BAD_PARAMETER;
  }
  const char c = static_cast<char>(byte);
  *SeparatorField(format, type) = c;
  if (type == hvcnINFO_WILDCARD_CHAR) {
    format->wildcardChar[1] = '\0';
    SetProcessWildcard(c);  // formats initialised later start with it
  }
  trace::If(trace::kData, trace::tag::kData, "%s character set to '%c'", label, c);
  return hvcnSUCCESS;
}

int32_t SetX400Mask(hvcnFormat* format, int32_t mask) noexcept {
  if (mask < 1) {
    trace::If(trace::kError, trace::tag::kError, "Invalid X.400 mask value %d", mask);
    return hvcnERR_BAD_PARAMETER;
  }
  if (mask > kMaxX400Mask) {
    trace::If(trace::kError, trace::tag::kError, "X.400 mask too high (%d). Reduced to %d", mask, kMaxX400Mask);
    mask = kMaxX400Mask;
  }
  format->x400Mask = mask;
  trace::If(trace::kData, trace::tag::kData, "X.400 directory mask set to %d", mask);
  return hvcnSUCCESS;
}

int32_t SetFlag(hvcnFormat* format, uint16_t flag, uint32_t value) noexcept {
  if (value) format->flags = static_cast<uint16_t>(format->flags | flag);
  else format->flags = static_cast<uint16_t>(format->flags & ~flag);
  trace::If(trace::kData, trace::tag::kData, "New format flags are 0x%x", format->flags);
  return hvcnSUCCESS;
}

int32_t SetReconfigured(hvcnFormat* format, const char* text) noexcept {
  if (text[0] == '\0') return hvcnSUCCESS;
  // Items are read in place, bounded by their commas: the caller's text is
  // read whole and never written to.
  const char* p = text;
  for (size_t k = 0; k < std::size(format->reconfigured); ++k) {
    if (*p == '\0') {
      format->reconfigured[k] = -1;
      continue;
    }
    const char* item = p;
    const char* comma = FindChar(item, ',');
    const size_t length = comma ? static_cast<size_t>(comma - item) : std::strlen(item);
    p = comma ? comma + 1 : item + length;
    // A number at the start of the item (strtol's reading stops at the comma).
    int32_t number = ReadInteger(item, 10);
    if (number < 1) {
      if (length == 0) {
        format->reconfigured[k] = -1;
        trace::If(trace::kInfo, trace::tag::kInformation, "Attribute number '%d' has not been reconfigured.",
                  static_cast<int>(k + 1));
        continue;
      }
      number = -1;  // a name
    }
    int slot = model::SlotOfId(number);
    if (slot < 0) slot = model::FindUserByName(format, item, length);
    if (slot < 0) {
      slot = model::FreeUserSlot(format);
      trace::If(trace::kInfo, trace::tag::kInformation, "GFUA call from SetFmtReconfigIDs returned %d", slot);
      if (slot < 0) return hvcnERR_TOO_MANY_USER_ATTRIBUTES;
      hvcnAttribute& record = format->attributes[slot];
      record.id = number;
      CopyBounded(record.name, sizeof record.name, std::string_view(item, std::min(length, kReconfiguredNameLength)));
    }
    format->reconfigured[k] = slot;
  }
  trace::If(trace::kData, trace::tag::kData, "Set reconfigured attributes with '%s'", text);
  return hvcnSUCCESS;
}

}  // namespace hvcn::format
