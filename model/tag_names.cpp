#include "model/tag_names.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "core/strings.h"
#include "model/slots.h"

namespace hvcn::model {
namespace {

char g_tagNames[kTagCount][kTagNameSize];
uint8_t g_tagLengths[kTagCount];

void NoteLength(int index) noexcept { g_tagLengths[index] = static_cast<uint8_t>(std::strlen(g_tagNames[index])); }
int g_ddaIndex = kDdaTagIndex;
size_t g_ddaLength = 0;

// The first row of the tag table without a slot carries the DDA prefix.
void ComputeDdaPrefix() noexcept {
  for (int i = 0; i < kTagCount; ++i) {
    if (kTagSlot[static_cast<size_t>(i)] < 0) {
      g_ddaIndex = i;
      g_ddaLength = std::strlen(g_tagNames[i]);
      return;
    }
  }
}

char Lower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// For each first byte (letters in lower case), the indexes of the names that
// MatchTag may take, one bit each, so that it looks at those alone.
static_assert(kTagCount <= 64);
uint64_t g_tagsByFirst[256];

void IndexFirstBytes() noexcept {
  uint64_t byFirst[256] = {};
  for (int i = 0; i < kTagCount; ++i)
    if (g_tagLengths[i] != 0 && (i == g_ddaIndex || kTagSlot[static_cast<size_t>(i)] >= 0))
      byFirst[static_cast<unsigned char>(Lower(g_tagNames[i][0]))] |= uint64_t{1} << i;
  for (size_t c = 0; c < 256; ++c)
    if (g_tagsByFirst[c] != byFirst[c]) g_tagsByFirst[c] = byFirst[c];
}

}  // namespace

const char* TagName(int index) noexcept {
  return (index >= 0 && index < kTagCount) ? g_tagNames[index] : "";
}

size_t TagNameLength(int index) noexcept { return (index >= 0 && index < kTagCount) ? g_tagLengths[index] : 0; }

void CopyTagName(int index, char* out, size_t size) noexcept { CopyText(out, size, TagName(index)); }

void SetTagName(int index, const char* name) noexcept {
  if (index < 0 || index >= kTagCount) return;
  CopyText(g_tagNames[index], kTagNameSize, name);
  NoteLength(index);
  if (index == g_ddaIndex) ComputeDdaPrefix();
  IndexFirstBytes();
}

int DdaPrefixIndex() noexcept { return g_ddaIndex; }
size_t DdaPrefixLength() noexcept { return g_ddaLength; }

namespace {
bool SameStart(const char* a, const char* b, size_t length) noexcept {
  for (size_t i = 0; i < length; ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}
}  // namespace

int MatchTag(const char* tag, size_t length, bool* isDda) noexcept {
  *isDda = false;
  if (length == 0) return -1;
  // In index order, as the first match wins.
  for (uint64_t m = g_tagsByFirst[static_cast<unsigned char>(Lower(tag[0]))]; m != 0; m &= m - 1) {
    const int index = std::countr_zero(m);
    const char* name = g_tagNames[index];
    const size_t nameLength = g_tagLengths[index];
    if (index == g_ddaIndex) {
      if (length >= nameLength && SameStart(tag, name, nameLength)) {
        *isDda = true;
        return index;
      }
    } else if (nameLength == length && SameStart(tag, name, length)) {
      return index;
    }
  }
  return -1;
}

void LoadTagNames(os::Module module) noexcept {
  for (int i = 0; i < kTagCount; ++i) {
    char* entry = g_tagNames[i];
    entry[0] = '\0';
    g_tagLengths[i] = 0;
    if (kTagSlot[static_cast<size_t>(i)] < 0 && i != kDdaTagIndex) continue;
    if (!LoadLocalString(module, static_cast<uint16_t>(kTextTagBase + i), entry, kTagNameSize))
      entry[0] = '\0';
    char override[kTagNameSize];
    if (GetProfileText(module, kSectionX400Tags, static_cast<uint16_t>(kSettingTagBase + i), "",
                       override, kTagNameSize) &&
        override[0] != '\0')
      CopyText(entry, kTagNameSize, override);
    NoteLength(i);
  }
  ComputeDdaPrefix();
  IndexFirstBytes();
}

}  // namespace hvcn::model
