#include "model/tag_names.h"

#include <cstring>

#include "core/strings.h"
#include "model/tables.h"

namespace hvcn::model {
namespace {

char g_tagNames[kTagCount][kTagNameSize];
int g_ddaIndex = kDdaTagIndex;
size_t g_ddaLength = 0;

// The first row of the tag table without a slot carries the DDA prefix.
void ComputeDdaPrefix() noexcept {
  for (int i = 0; i < kTagCount; ++i) {
    if (kTagSlot[static_cast<size_t>(i)] == kNoSlot) {
      g_ddaIndex = i;
      g_ddaLength = std::strlen(g_tagNames[i]);
      return;
    }
  }
}

}  // namespace

const char* TagName(int index) noexcept {
  return (index >= 0 && index < kTagCount) ? g_tagNames[index] : "";
}

void SetTagName(int index, const char* name) noexcept {
  if (index < 0 || index >= kTagCount) return;
  CopyText(g_tagNames[index], kTagNameSize, name);
  if (index == g_ddaIndex) ComputeDdaPrefix();
}

int DdaPrefixIndex() noexcept { return g_ddaIndex; }
size_t DdaPrefixLength() noexcept { return g_ddaLength; }

void LoadTagNames(os::Module module) noexcept {
  for (int i = 0; i < kTagCount; ++i) {
    char* entry = g_tagNames[i];
    entry[0] = '\0';
    if (kTagSlot[static_cast<size_t>(i)] == kNoSlot && i != kDdaTagIndex) continue;
    if (!LoadLocalString(module, static_cast<uint16_t>(kTextTagBase + i), entry, kTagNameSize))
      entry[0] = '\0';
    char override[kTagNameSize];
    if (GetProfileText(module, kSectionX400Tags, static_cast<uint16_t>(kSettingTagBase + i), "",
                       override, kTagNameSize) &&
        override[0] != '\0')
      CopyText(entry, kTagNameSize, override);
  }
  ComputeDdaPrefix();
}

}  // namespace hvcn::model
