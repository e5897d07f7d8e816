// Attribute lookup: hvcnGetAttributeValue on a decoded name.
//
// Input: source type (1 byte: type in the low 2 bits, 0x04 format not
// ready), the format string (fuzz_support.h), the internal name (NUL-ended),
// then up to 16 lookups: an ID selector (1 byte: standard IDs,
// token positions, user numbers, 0 with a NUL-ended name, or 0xFF and 4
// bytes) and a buffer size (2 bytes).
// Properties: documented statuses; the answer agrees with the public
// structure (the record of the ID, the user attribute of the name, the
// slot of the token position); a value is copied only into a buffer larger
// than it and is then terminated within the size; a lookup never changes the
// format.
#include "held_name.h"

using namespace hvcn::fuzz;

namespace {

constexpr int32_t kUserNumbers[] = {99, 116, 167, 45, 2147483647, 83, 100, 69};

// ASCII letters compared without regard to case, as user names are.
bool EqualNoCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// The expected status and value of a lookup, read from the structure.
int32_t Expected(const hvcnFormat& f, int32_t id, std::string_view name, std::string_view* value) {
  int slot = -1;
  if (id > 0) {
    for (int s = 0; s < 74 && slot < 0; ++s)
      if (f.attributes[s].id == id) slot = s;
    for (int s = 74; s < hvcnATTRIBUTE_COUNT && slot < 0; ++s)
      if (f.attributes[s].id == id) slot = s;
  } else if (id == 0) {
    for (int s = 74; s < hvcnATTRIBUTE_COUNT && slot < 0; ++s) {
      const std::string_view recordName(f.attributes[s].name);
      if (f.attributes[s].id != 0 && EqualNoCase(recordName, name)) slot = s;
    }
  } else if (id >= hvcnTOKEN_POSITION_FIRST && id <= hvcnTOKEN_POSITION_LAST) {
    const hvcnToken& t = f.tokens[id - hvcnTOKEN_POSITION_FIRST];
    if (t.id != 0 && t.slot != hvcnSLOT_SECTION) slot = static_cast<int>(t.slot);
  }
  if (slot < 0) return hvcnERR_BAD_PARAMETER;
  if (!HeldValue(f, slot, value)) return hvcnERR_NO_VALUE;
  return hvcnSUCCESS;
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const uint8_t head = in.Byte();
  const std::string_view formatString = in.FormatString();
  const ExactText source(in.Text());

  auto f = (head & 0x04) ? NewFormat() : Ready(formatString, 0);
  if (!f) return;
  if (!(head & 0x04)) {
    const int32_t type = (head & 3) ? (head & 3) : hvcnINTERNAL_GSRS;
    hvcnTranslateInternalFormat(f.get(), type, source.c_str(), 0, nullptr, 0, 0);
  }
  const auto before = std::make_unique<hvcnFormat>(*f);

  for (int op = 0; op < 16 && !in.empty(); ++op) {
    const uint8_t pick = in.Byte();
    int32_t id;
    if (pick < 0x60) id = pick;                                     // 0-95: standard and unknown IDs
    else if (pick < 0x80) id = -101 + (pick - 0x60);                // -101..-70: positions and around
    else if (pick < 0xA0) id = kUserNumbers[pick & 7];
    else if (pick < 0xFF) id = 0;                                   // by name
    else id = in.I32();
    const std::string_view name = id == 0 ? in.Text() : std::string_view();
    const uint16_t want = in.U16();
    const uint16_t n = (want & 0x8000) ? want : static_cast<uint16_t>(want % 80);

    OutBuffer out(n);
    // The name of a lookup by name is read from the buffer, within its size.
    if (id == 0 && n > 0) {
      const size_t copy = std::min<size_t>(name.size(), n);
      std::memcpy(out.data(), name.data(), copy);
      if (copy < n) out.data()[copy] = '\0';
    }
    const std::string given(out.data(), n);
    const int32_t status = hvcnGetAttributeValue(f.get(), id, out.data(), n);
    CheckStatus(status, {hvcnSUCCESS, hvcnERR_BUFFER_TOO_SMALL, hvcnERR_BAD_PARAMETER, hvcnERR_FORMAT_NOT_READY,
                         hvcnERR_NO_VALUE},
                "hvcnGetAttributeValue");
    Check(std::memcmp(before.get(), f.get(), sizeof *f) == 0, "a lookup leaves the format as it was");
    if (n == 0) {
      Check(status == hvcnERR_BAD_PARAMETER, "a zero size is refused");
      continue;
    }
    if (!(f->flags & hvcnFMT_READY)) {
      Check(status == hvcnERR_FORMAT_NOT_READY, "a format that is not ready");
      continue;
    }
    const std::string_view lookupName(given.data(), std::min(given.size(), std::strlen(given.c_str())));
    std::string_view value;
    const int32_t expected = Expected(*f, id, lookupName, &value);
    if (expected == hvcnSUCCESS && !value.empty() && n <= value.size()) {
      Check(status == hvcnERR_BUFFER_TOO_SMALL, "a value needs a size larger than its length");
      Check(std::string_view(out.data(), n) == given, "a value that does not fit is not written");
      continue;
    }
    Check(status == expected, "the answer agrees with the structure",
          "id " + std::to_string(id) + " got " + std::to_string(status) + " expected " + std::to_string(expected));
    if (status == hvcnSUCCESS) {
      Check(out.Terminated(), "a value is terminated within the size");
      Check(out.Text() == value, "the value held", out.Text());
    } else {
      Check(std::string_view(out.data(), n) == given, "a failed lookup writes nothing");
    }
  }
}
