#include "model/tag_names.h"

#include <atomic>
#include <bit>
#include <cstring>

#include "core/ascii.h"
#include "core/startup.h"
#include "core/strings.h"

namespace hvcn::model {
namespace {

// One copy of the table and the number of readers holding it.
struct Version {
  TagTable table;
  std::atomic<uint32_t> readers{0};
};

// Three copies: the one in force, and spares for a change to fill while
// readers finish with the one before.
Version g_versions[3];
std::atomic<Version*> g_current{&g_versions[0]};
std::atomic_flag g_changing = ATOMIC_FLAG_INIT;  // one change at a time

// The first index of the tag table without a slot carries the DDA prefix.
void ComputeDdaPrefix(TagTable& t) noexcept {
  for (int i = 0; i < kTagCount; ++i) {
    if (kTagSlot[static_cast<size_t>(i)] < 0) {
      t.ddaIndex = i;
      t.ddaLength = t.lengths[i];
      return;
    }
  }
}

void IndexFirstBytes(TagTable& t) noexcept {
  static_assert(kTagCount <= 64);
  std::memset(t.byFirst, 0, sizeof t.byFirst);
  for (int i = 0; i < kTagCount; ++i)
    if (t.lengths[i] != 0 && (i == t.ddaIndex || kTagSlot[static_cast<size_t>(i)] >= 0))
      t.byFirst[static_cast<unsigned char>(ascii::Lower(t.names[i][0]))] |= uint64_t{1} << i;
}

void PutName(TagTable& t, int index, const char* name) noexcept {
  CopyText(t.names[index], kTagNameSize, name);
  t.lengths[index] = static_cast<uint8_t>(std::strlen(t.names[index]));
}

// Holds the version in force. The increment and the second look are
// sequentially consistent with a change's look at the readers, so a change
// never fills a copy that a reader goes on to read.
Version* Hold() noexcept {
  for (;;) {
    Version* version = g_current.load();
    version->readers.fetch_add(1);
    if (g_current.load() == version) return version;
    version->readers.fetch_sub(1, std::memory_order_release);
  }
}

}  // namespace

int TagTable::Match(const char* tag, size_t length, bool* isDda) const noexcept {
  *isDda = false;
  if (length == 0) return -1;
  // In index order, as the first match wins.
  for (uint64_t m = byFirst[static_cast<unsigned char>(ascii::Lower(tag[0]))]; m != 0; m &= m - 1) {
    const int index = std::countr_zero(m);
    const size_t nameLength = lengths[index];
    if (index == ddaIndex) {
      if (length >= nameLength && ascii::EqualNoCase(tag, names[index], nameLength)) {
        *isDda = true;
        return index;
      }
    } else if (nameLength == length && ascii::EqualNoCase(tag, names[index], length)) {
      return index;
    }
  }
  return -1;
}

TagNames::TagNames() noexcept {
  Version* version = Hold();
  table_ = &version->table;
  version_ = version;
}

TagNames::~TagNames() noexcept {
  static_cast<Version*>(version_)->readers.fetch_sub(1, std::memory_order_release);
}

void SetTagName(int index, const char* name) noexcept {
  if (index < 0 || index >= kTagCount) return;
  while (g_changing.test_and_set(std::memory_order_acquire)) {
  }
  Version* current = g_current.load();
  // A spare copy that no reader holds; readers hold a copy for one call.
  Version* spare = nullptr;
  while (!spare) {
    for (Version& version : g_versions)
      if (&version != current && version.readers.load() == 0) {
        spare = &version;
        break;
      }
  }
  TagTable& t = spare->table;
  t = current->table;
  PutName(t, index, name);
  if (index == t.ddaIndex) ComputeDdaPrefix(t);
  IndexFirstBytes(t);
  g_current.store(spare);
  g_changing.clear(std::memory_order_release);
}

void CopyTagName(int index, char* out, size_t size) noexcept {
  const TagNames tags;
  CopyText(out, size, tags->Name(index));
}

void LoadTagNames(os::Module module) noexcept {
  // Start-up runs before any reader: the first copy is filled in place.
  Version* version = g_current.load();
  TagTable& t = version->table;
  std::memset(&t, 0, sizeof t);
  for (int i = 0; i < kTagCount; ++i) {
    if (kTagSlot[static_cast<size_t>(i)] < 0 && i != kDdaTagIndex) continue;
    char name[kTagNameSize] = "";
    if (!LoadLocalString(module, static_cast<uint16_t>(kTextTagBase + i), name, kTagNameSize)) name[0] = '\0';
    char override[kTagNameSize];
    if (GetProfileText(module, kSectionX400Tags, static_cast<uint16_t>(kSettingTagBase + i), "", override,
                       kTagNameSize) &&
        override[0] != '\0')
      CopyText(name, kTagNameSize, override);
    PutName(t, i, name);
  }
  ComputeDdaPrefix(t);
  IndexFirstBytes(t);
  g_current.store(version);
}

}  // namespace hvcn::model

void hvcn::LoadTagNamesAtStartup(os::Module strings) noexcept { model::LoadTagNames(strings); }
