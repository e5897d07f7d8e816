// Format information: hvcnGetFormatInfo and hvcnSetFormatInfo.
//
// Input: the format string (1 byte choosing one of kFormats, or 0xFF and a
// NUL-ended text), then up to 16 operations, each a byte (data type in the
// low 5 bits, 0x20 = get, 0x40 = on a format that is not ready) followed by
// its data: for a get the buffer size (2 bytes); for a set the value the
// type takes (IDs as a count and 4-byte entries, texts NUL-ended, numbers
// of 4 bytes, characters of 1 byte, a tag-name record as an ID byte and a
// text).
// Properties: documented statuses per type; a get never writes past its
// size, terminates its texts, and never changes the format; what a set
// stores, a get reads back; the caller's texts are left as they were; a
// format that is not ready is refused.
#include <map>
#include <vector>

#include "format_checks.h"

using namespace hvcn::fuzz;

namespace {

// The IDs whose X.400 tag name can be set.
bool TakesTagName(uint32_t id) { return id >= hvcnATT_SURNAME && id <= hvcnATT_FF && (id <= hvcnATT_DDAT1 || id >= hvcnATT_COMMON_NAME); }

bool IsFlagType(unsigned type) { return (type >= 8 && type <= 14) || type == 17; }

std::unique_ptr<uint8_t[]> Block(size_t n) { return std::unique_ptr<uint8_t[]>(new uint8_t[n]); }

// Reads a setting back with a large buffer.
int32_t GetBig(hvcnFormat* f, unsigned type, std::vector<uint8_t>* out) {
  out->assign(512, 0xA5);
  return hvcnGetFormatInfo(f, out->data(), static_cast<uint16_t>(out->size()), static_cast<uint16_t>(type));
}

int32_t ReadInt(const std::vector<uint8_t>& v, size_t i) {
  int32_t x;
  std::memcpy(&x, v.data() + 4 * i, 4);
  return x;
}

void GetOne(hvcnFormat* f, unsigned type, uint16_t size) {
  const auto before = std::make_unique<hvcnFormat>(*f);
  OutBuffer out(size);
  const int32_t s = hvcnGetFormatInfo(f, out.data(), size, static_cast<uint16_t>(type));
  Check(std::memcmp(before.get(), f, sizeof *f) == 0, "a get leaves the format as it was");
  if (size == 0) {
    Check(s == hvcnERR_BUFFER_TOO_SMALL, "a get with size 0 answers 1");
    return;
  }
  const bool known = (type >= 1 && type <= 14) || type == 17;
  if (!known) {
    Check(s == hvcnERR_BAD_PARAMETER, "a get of a type without a setting is refused", std::to_string(type));
    return;
  }
  CheckStatus(s, {hvcnSUCCESS, hvcnERR_BUFFER_TOO_SMALL}, "hvcnGetFormatInfo");
  if (type == hvcnINFO_RECONFIGURED) Check(out.Terminated(), "the reconfigured list is terminated within its size");
  if (type == hvcnINFO_ESCAPE_LIST) {
    if (s == hvcnSUCCESS) Check(out.Terminated(), "the escape list is terminated within its size");
    else Check(out.Untouched(), "an escape list that does not fit is not written");
  }
  if ((type == hvcnINFO_X400_MASK || IsFlagType(type)) && size < 4) {
    Check(s == hvcnERR_BUFFER_TOO_SMALL && out.Untouched(), "a 4-byte setting needs 4 bytes");
  }
  if (IsFlagType(type) && s == hvcnSUCCESS) {
    uint32_t v;
    std::memcpy(&v, out.data(), 4);
    Check(v == 0 || v == 1, "a flag reads 0 or 1");
  }
  if (type == hvcnINFO_OUTPUT_TOKENS) {
    Check(s == hvcnSUCCESS || size / 4 < hvcnTOKEN_COUNT + 1, "token IDs fit when there is room for eleven");
  }
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  auto f = Ready(in.FormatString(), 0);
  if (!f) return;
  auto notReady = NewFormat();
  bool wildcardChanged = false;
  bool plainLists = true;
  std::map<uint32_t, std::string> tagsBefore;  // the process-wide tag names this input changes

  for (int op = 0; op < 16 && !in.empty(); ++op) {
    const uint8_t code = in.Byte();
    const unsigned type = code & 0x1F;
    const bool get = (code & 0x20) != 0;
    hvcnFormat* target = (code & 0x40) ? notReady.get() : f.get();

    if (get) {
      const uint16_t want = in.U16();
      const uint16_t n = static_cast<uint16_t>(want & 0x8000 ? want : want % 72);
      if (target == notReady.get()) {
        OutBuffer out(n);
        Check(hvcnGetFormatInfo(target, out.data(), n, static_cast<uint16_t>(type)) == hvcnERR_FORMAT_NOT_READY,
              "a get on a format that is not ready");
        Check(out.Untouched(), "nothing written for a format that is not ready");
        continue;
      }
      GetOne(target, type, n);
      continue;
    }

    // A set: the data as the type takes it, in an exactly sized block.
    int32_t s = 0;
    std::vector<uint8_t> back;
    switch (type) {
      case hvcnINFO_OUTPUT_TOKENS: {
        const unsigned count = in.Byte() % 14;
        std::unique_ptr<int32_t[]> ids(new int32_t[count + 1]);
        for (unsigned i = 0; i < count; ++i) {
          const uint8_t pick = in.Byte();
          // Mostly IDs that may exist: sections, standard IDs, positions.
          ids[i] = pick < 0x40 ? -static_cast<int32_t>(pick % 6) - 1 + 0
                 : pick < 0x80 ? static_cast<int32_t>(pick % 90)
                 : pick < 0xC0 ? -99 + static_cast<int32_t>(pick % 12)
                 : in.I32();
        }
        ids[count] = 0;
        s = hvcnSetFormatInfo(target, ids.get(), hvcnINFO_OUTPUT_TOKENS);
        if (target == notReady.get()) break;
        CheckStatus(s, {hvcnSUCCESS, hvcnERR_BAD_PARAMETER, hvcnERR_TOO_MANY_TOKENS}, "set output token IDs");
        if (s == hvcnSUCCESS) {
          unsigned stored = 0;
          while (stored < count && stored < hvcnTOKEN_COUNT && ids[stored] != 0) ++stored;
          for (unsigned i = 0; i < stored; ++i)
            Check(target->outputTokenIds[i] == ids[i], "the output IDs set are kept");
          Check(GetBig(target, type, &back) == hvcnSUCCESS, "get output IDs");
          if (stored > 0)
            for (unsigned i = 0; i < stored; ++i) Check(ReadInt(back, i) == ids[i], "output IDs read back");
          if (stored > 0 && stored < hvcnTOKEN_COUNT) Check(ReadInt(back, stored) == 0, "output IDs end with 0");
        }
        break;
      }
      case hvcnINFO_RECONFIGURED:
      case hvcnINFO_ESCAPE_LIST: {
        ExactText text(in.Text());
        const std::string given(text.view());
        s = hvcnSetFormatInfo(target, text.data(), static_cast<uint16_t>(type));
        Check(text.view() == given, "the caller's text is left as it was");
        if (target == notReady.get()) break;
        if (type == hvcnINFO_ESCAPE_LIST) {
          Check(s == (given.size() < 16 ? hvcnSUCCESS : hvcnERR_BAD_PARAMETER), "escape lists of at most 15");
          if (s == hvcnSUCCESS) {
            Check(GetBig(target, type, &back) == hvcnSUCCESS, "get escape list");
            Check(std::string_view(reinterpret_cast<const char*>(back.data())) == given, "escape list read back");
          }
          break;
        }
        size_t item = 0;
        for (unsigned char ch : given) {
          plainLists = plainLists && ch < 0x80;
          item = ch == ',' ? 0 : item + 1;
          plainLists = plainLists && item <= 24;
        }
        CheckStatus(s, {hvcnSUCCESS, hvcnERR_TOO_MANY_USER_ATTRIBUTES}, "set reconfigured attributes");
        if (s == hvcnSUCCESS && GetBig(target, type, &back) == hvcnSUCCESS) {
          // Reading the list back and setting it again changes nothing.
          ExactText again(reinterpret_cast<const char*>(back.data()));
          std::vector<uint8_t> twice;
          // Only while every list set so far was ASCII with items of at most
          // 24 characters: a longer item is looked up whole but names its
          // record with its first 24 characters, which can leave two records
          // whose names differ only in case; and a cut can split a character
          // whose lead byte then takes the comma after it.
          if (again.size() > 0 && plainLists) {
            Check(hvcnSetFormatInfo(target, again.data(), hvcnINFO_RECONFIGURED) == hvcnSUCCESS, "set list read back");
            Check(GetBig(target, type, &twice) == hvcnSUCCESS, "get reconfigured list again");
            Check(std::string_view(reinterpret_cast<const char*>(twice.data())) == again.view(),
                  "a reconfigured list read back is stable", again.view());
          }
        }
        break;
      }
      case hvcnINFO_X400_MASK: {
        auto block = Block(4);
        const int32_t mask = in.I32();
        std::memcpy(block.get(), &mask, 4);
        s = hvcnSetFormatInfo(target, block.get(), hvcnINFO_X400_MASK);
        if (target == notReady.get()) break;
        Check(s == (mask >= 1 ? hvcnSUCCESS : hvcnERR_BAD_PARAMETER), "masks from 1 up");
        if (s == hvcnSUCCESS) {
          Check(GetBig(target, type, &back) == hvcnSUCCESS, "get mask");
          Check(ReadInt(back, 0) == (mask > 43 ? 43 : mask), "the mask read back, at most 43");
        }
        break;
      }
      case hvcnINFO_SLASH_CHAR:
      case hvcnINFO_COMMA_CHAR:
      case hvcnINFO_WILDCARD_CHAR: {
        auto block = Block(1);
        block[0] = in.Byte();
        s = hvcnSetFormatInfo(target, block.get(), static_cast<uint16_t>(type));
        if (target == notReady.get()) break;
        Check(s == ((block[0] >= 0x20 && block[0] <= 0x7F) ? hvcnSUCCESS : hvcnERR_BAD_PARAMETER),
              "separators from 0x20 to 0x7F");
        if (s == hvcnSUCCESS) {
          if (type == hvcnINFO_WILDCARD_CHAR) wildcardChanged = true;
          Check(GetBig(target, type, &back) == hvcnSUCCESS, "get separator");
          Check(back[0] == block[0], "a separator read back");
        }
        break;
      }
      case hvcnINFO_TAG_NAME: {
        const uint8_t pick = in.Byte();
        hvcnTagNameInfo record{pick == 0xFF ? in.U32() : static_cast<uint32_t>(pick % 30), nullptr};
        ExactText name(in.Text());
        record.name = name.c_str();
        hvcnAttributeInfo before{};
        if (hvcnGetAttributeInfo(static_cast<int32_t>(record.attributeId), &before, sizeof before) == hvcnSUCCESS)
          tagsBefore.emplace(record.attributeId, before.tag);
        auto block = Block(sizeof record);
        std::memcpy(block.get(), &record, sizeof record);
        s = hvcnSetFormatInfo(target, block.get(), hvcnINFO_TAG_NAME);
        if (target == notReady.get()) break;
        CheckStatus(s, {hvcnSUCCESS, hvcnERR_BAD_PARAMETER}, "set tag name");
        if (s == hvcnSUCCESS) {
          Check(TakesTagName(record.attributeId), "tag names only for IDs 1 to 16, 24 and 25",
                std::to_string(record.attributeId));
          bool ascii = true;
          for (unsigned char c : name.view()) ascii = ascii && c < 0x80;
          if (ascii) Check(name.size() <= 10, "tag names of at most 10 characters");
        }
        break;
      }
      default: {
        auto block = Block(4);
        const uint32_t value = in.U32();
        std::memcpy(block.get(), &value, 4);
        s = hvcnSetFormatInfo(target, block.get(), static_cast<uint16_t>(type));
        if (target == notReady.get()) break;
        if (!IsFlagType(type)) {
          Check(s == hvcnERR_BAD_PARAMETER, "a set of a type without a setting is refused", std::to_string(type));
          break;
        }
        Check(s == hvcnSUCCESS, "flags are always set");
        Check(GetBig(target, type, &back) == hvcnSUCCESS, "get flag");
        Check(ReadInt(back, 0) == (value != 0 ? 1 : 0), "a flag read back");
        break;
      }
    }
    if (target == notReady.get()) Check(s == hvcnERR_FORMAT_NOT_READY, "a set on a format that is not ready");
    CheckTerminated(*f);
  }

  // Process-wide settings go back to what start-up gave them.
  if (wildcardChanged) {
    const char star = '*';
    Check(hvcnSetFormatInfo(f.get(), &star, hvcnINFO_WILDCARD_CHAR) == hvcnSUCCESS, "restore the wildcard");
  }
  for (const auto& [id, tag] : tagsBefore) {
    if (!TakesTagName(id)) continue;
    const hvcnTagNameInfo record{id, tag.c_str()};
    Check(hvcnSetFormatInfo(f.get(), &record, hvcnINFO_TAG_NAME) == hvcnSUCCESS, "restore a tag name");
  }
}
