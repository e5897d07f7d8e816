// Internal names: hvcnTranslateInternalFormat from every type to every type.
//
// Input: source type (1 byte: 0-3, or with 0x04 an invalid type; 0x08 leave
// out empty values in type 3), the format string and the settings
// (fuzz_support.h), a destination size (2 bytes), then the internal text.
// Properties: documented statuses; a decode of more than 1024 bytes is
// refused; the encoders only read the held name; every written text is
// terminated within its size, and a destination that is too small receives
// "" and status 1, never a different text; type 3 needs one byte more than
// its text; the held text is handed back unchanged in its own type; what a
// type encodes decodes again to the same values and encodes to the same
// text; what types 1 and 2 carry is a part of the name, and type 3 carries
// all of it (for names whose values hold no separator of the type and are
// well-formed UTF-8); hvcnTranslateInternalFormatEx tells the smallest size
// that works; a refused value's explanation only reads the failed format.
#include <vector>

#include "held_name.h"

using namespace hvcn::fuzz;

namespace {

constexpr size_t kNameBufferText = sizeof(hvcnFormat::nameBuffer) - 1;
constexpr uint32_t kLarge = 16384;

const std::initializer_list<int32_t> kDecodeStatuses = {
    hvcnSUCCESS, hvcnERR_BAD_PARAMETER, hvcnERR_TOKEN_NAME_TOO_LONG, hvcnERR_TOO_MANY_USER_ATTRIBUTES,
    hvcnERR_BAD_VALUE, hvcnERR_VALUE_TOO_LONG, hvcnERR_NOT_PRINTABLE, hvcnERR_NOT_NUMERIC, hvcnERR_UNKNOWN_ATTRIBUTE,
    hvcnERR_NAME_TOO_LONG, hvcnERR_INTERNAL_DATA, hvcnERR_BAD_COUNTRY, hvcnERR_BAD_TERMINAL_TYPE};

// The bytes that end a value in each type.
std::string_view Separators(int32_t type) {
  switch (type) {
    case hvcnINTERNAL_GS: return "\x1D";
    case hvcnINTERNAL_GSETB: return "\x1D\x17";
    default: return "\x1E\x1A";
  }
}

// The held name: buffer and records, which encoding must not change.
struct HeldSnapshot {
  explicit HeldSnapshot(const hvcnFormat& f) : nameType(f.nameType), flags(f.flags) {
    std::memcpy(buffer, f.nameBuffer, sizeof buffer);
    std::memcpy(records, f.attributes, sizeof records);
  }
  bool Same(const hvcnFormat& f) const {
    return nameType == f.nameType && flags == f.flags && std::memcmp(buffer, f.nameBuffer, sizeof buffer) == 0 &&
           std::memcmp(records, f.attributes, sizeof records) == 0;
  }
  int32_t nameType;
  uint16_t flags;
  char buffer[sizeof(hvcnFormat::nameBuffer)];
  hvcnAttribute records[hvcnATTRIBUTE_COUNT];
};

int32_t Encode(hvcnFormat* f, int32_t type, OutBuffer* out, uint32_t flags) {
  return hvcnTranslateInternalFormat(f, 0, nullptr, type, out->data(), static_cast<uint32_t>(out->size()), flags);
}

// Whether type 3 leaves a standard record out under 7-bit only: the
// attributes that hold teletex text (ff is its own teletex variant).
bool SkippedUnderSevenBit(const hvcnFormat& f, int slot) {
  hvcnAttributeInfo info{};
  return hvcnGetAttributeInfo(f.attributes[slot].id, &info, sizeof info) == hvcnSUCCESS &&
         (info.flags & hvcnAINFO_TELETEX) != 0;
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const uint8_t typeByte = in.Byte();
  const std::string formatString(in.FormatString());
  const uint8_t settings = in.Byte();
  const uint16_t sizeSelector = in.U16();
  const ExactText source(in.Rest());

  static constexpr int32_t kBadTypes[] = {4, -1, 0x7FFFFFFF, -2147483647 - 1};
  const int32_t sourceType = (typeByte & 0x04) ? kBadTypes[typeByte & 3] : (typeByte & 3);
  const uint32_t encodeFlags = hvcnTIF_ALWAYS_ENCODE | ((typeByte & 0x08) ? hvcnTIF_SKIP_EMPTY : 0u);
  const bool sevenBit = settings & kSevenBitOnly, preferTeletex = settings & kPreferTeletex;

  auto f = Ready(formatString, settings);
  if (!f) return;
  const int32_t status = hvcnTranslateInternalFormat(f.get(), sourceType, source.c_str(), 0, nullptr, 0, 0);
  CheckStatus(status, kDecodeStatuses, "decode");
  // The length is checked before the type.
  if (sourceType != 0 && source.size() > kNameBufferText) {
    Check(status == hvcnERR_NAME_TOO_LONG, "an internal name of more than 1024 bytes is refused");
    return;
  }
  if (sourceType == 0 || sourceType < 0 || sourceType > 3) {
    Check(status == hvcnERR_BAD_PARAMETER, "nothing to decode, or no such type");
    return;
  }
  Check(((f->flags & hvcnFMT_NAME_HELD) != 0) == (status == hvcnSUCCESS), "a name is held exactly after success");
  Check(f->nameType == sourceType, "nameType is the source type");
  Check(FieldTerminated(f->errorDetail), "errorDetail terminated");
  const Values values = NonEmptyValues(*f);  // also checks every value lies in nameBuffer
  if (status != hvcnSUCCESS) {
    // A refused value is named by the explanation, which only reads the format.
    const auto failed = std::make_unique<hvcnFormat>(*f);
    OutBuffer why(2048);
    uint32_t needed = 0;
    const int32_t explained = hvcnExplainStatus(f.get(), status, hvcnEXPLAIN_INTERNAL, static_cast<uint32_t>(sourceType),
                                                source.c_str(), why.data(), 2048, &needed, nullptr);
    Check(explained == hvcnSUCCESS || explained == hvcnERR_NO_VALUE, "an explanation, or nothing to add");
    Check(why.Terminated() && (explained != hvcnSUCCESS || needed == why.Text().size() + 1),
          "the explanation is terminated and tells its size");
    Check(std::memcmp(failed.get(), f.get(), sizeof *f) == 0, "the failed format is only read");
    // Without a held name nothing is written.
    OutBuffer out(64);
    Check(Encode(f.get(), hvcnINTERNAL_GSRS, &out, 0) == hvcnERR_BAD_PARAMETER && out.Untouched(),
          "no output without a held name");
    return;
  }

  // The held text comes back unchanged in its own type.
  {
    OutBuffer exact(source.size() + 1);
    Check(Encode(f.get(), sourceType, &exact, 0) == hvcnSUCCESS, "the held text is handed back in its own type");
    Check(exact.Terminated() && exact.Text() == source.view(), "the held text unchanged", exact.view());
    if (source.size() > 0) {
      OutBuffer small(source.size());
      Check(Encode(f.get(), sourceType, &small, 0) == hvcnERR_BUFFER_TOO_SMALL && small.Untouched(),
            "a hand-back that does not fit writes nothing");
    }
  }

  std::string written[4];
  for (int32_t type = hvcnINTERNAL_GS; type <= hvcnINTERNAL_GSRS; ++type) {
    const HeldSnapshot before(*f);
    OutBuffer large(kLarge);
    Check(Encode(f.get(), type, &large, encodeFlags) == hvcnSUCCESS, "encode into a large buffer");
    Check(large.Terminated(), "encoded text terminated");
    const std::string text(large.Text());
    written[type] = text;
    Check(before.Same(*f), "encoding leaves the held name as it was");

    // One byte more than the text: enough for type 3; types 1 and 2 may need
    // room for separators they cut again.
    OutBuffer exact(text.size() + 1);
    const int32_t s = Encode(f.get(), type, &exact, encodeFlags);
    Check(exact.Terminated(), "exact encode terminated");
    if (type == hvcnINTERNAL_GSRS) Check(s == hvcnSUCCESS, "type 3 needs one byte more than its text");
    if (s == hvcnSUCCESS) Check(exact.Text() == text, "the same text in an exact buffer");
    else Check(s == hvcnERR_BUFFER_TOO_SMALL && exact.Text().empty(), "too small gives \"\"");

    // Any size: the whole text, or "" and status 1.
    const uint32_t n = 1 + sizeSelector % static_cast<uint32_t>(text.size() + 64);
    OutBuffer sized(n);
    const int32_t t = Encode(f.get(), type, &sized, encodeFlags);
    Check(sized.Terminated(), "encoded text terminated within its size");
    if (t == hvcnSUCCESS) Check(sized.Text() == text, "a text that fits is the whole text", sized.Text());
    else Check(t == hvcnERR_BUFFER_TOO_SMALL && sized.Text().empty(), "too small gives \"\"", sized.Text());
    if (n > text.size() && type == hvcnINTERNAL_GSRS) Check(t == hvcnSUCCESS, "type 3 fits in its length + 1");

    // The "Ex" twin tells the size that works, and one byte less does not.
    uint32_t needed = 0;
    Check(hvcnTranslateInternalFormatEx(f.get(), 0, nullptr, type, nullptr, 0, &needed, encodeFlags) ==
              hvcnERR_BUFFER_TOO_SMALL && needed > text.size(),
          "a size query tells at least the text and its NUL");
    OutBuffer told(needed);
    Check(Encode(f.get(), type, &told, encodeFlags) == hvcnSUCCESS && told.Text() == text, "the size told works");
    OutBuffer less(needed - 1);
    Check(needed == 1 || Encode(f.get(), type, &less, encodeFlags) == hvcnERR_BUFFER_TOO_SMALL,
          "one byte less than the size told does not", std::to_string(needed));
  }

  // Decoding what a type wrote gives the same name again.
  const Values* reference = &values;
  if (!ValidUtf8(values)) return;
  for (int32_t type = hvcnINTERNAL_GS; type <= hvcnINTERNAL_GSRS; ++type) {
    const std::string& text = written[type];
    if (text.size() > kNameBufferText || AnyValueHolds(values, Separators(type))) continue;
    // Preferring teletex, the empty fields type 1 writes for a, p and t (no
    // twin) are refused when read back.
    if (type == hvcnINTERNAL_GS && preferTeletex) continue;
    auto g = Ready(formatString, settings);
    const int32_t s = hvcnTranslateInternalFormat(g.get(), type, text.c_str(), 0, nullptr, 0, 0);
    Check(s == hvcnSUCCESS, "what a type encodes decodes again", "type " + std::to_string(type) + ": " + text);
    OutBuffer again(kLarge);
    Check(Encode(g.get(), type, &again, encodeFlags) == hvcnSUCCESS, "re-encode");
    Check(again.Text() == text, "decoded and encoded again, the same text", again.Text());

    // The values a type carries are values of the name (a base value and its
    // teletex twin may change places); type 3 carries every one.
    const Values decoded = NonEmptyValues(*g);
    for (const auto& [slot, value] : decoded) {
      if (slot >= 74) {
        // User attributes are matched by name: slots may differ.
        bool found = false;
        for (const auto& [s2, v2] : *reference)
          found = found || (s2 >= 74 && v2 == value &&
                            std::string_view(f->attributes[s2].name) == std::string_view(g->attributes[slot].name));
        Check(found, "a decoded user value is a value of the name", value);
        continue;
      }
      const auto same = reference->find(slot);
      const auto twin = reference->find(TwinSlot(*g, slot));
      Check((same != reference->end() && same->second == value) || (twin != reference->end() && twin->second == value),
            "a decoded value is a value of the name", "slot " + std::to_string(slot) + " " + value);
    }
    if (type == hvcnINTERNAL_GSRS) {
      size_t expected = 0;
      for (const auto& [slot, value] : *reference)
        if (!(sevenBit && SkippedUnderSevenBit(*f, slot))) ++expected;
      Check(decoded.size() == expected, "type 3 carries every value", Describe(decoded) + " vs " + Describe(*reference));
    }
  }
}
