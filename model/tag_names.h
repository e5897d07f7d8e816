// The process-wide X.400 tag-name table: 43 names of at most 9 characters,
// loaded at start-up from strings 3300 + index with overrides from the
// profile section 3400, and changed only through format information type 16.
//
// Any thread may change a name while others parse and write names, so the
// table is published whole: a change fills a spare copy and makes it the
// table in force with one atomic store, and a reader holds the table it
// started with (TagNames) until it is done, never a half-written one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/platform/os.h"
#include "model/slots.h"

namespace hvcn::model {

inline constexpr size_t kTagNameSize = 10;

struct TagTable {
  char names[kTagCount][kTagNameSize];
  uint8_t lengths[kTagCount];
  // For each first byte (letters in lower case), the indexes Match may
  // take, one bit each, so that it looks at those alone.
  uint64_t byFirst[256];
  int ddaIndex;      // the index that carries the domain-defined-attribute prefix
  size_t ddaLength;  // the prefix's length

  // The tag name of index 0-42 ("" for an index without one), its length.
  const char* Name(int index) const noexcept { return index >= 0 && index < kTagCount ? names[index] : ""; }
  size_t Length(int index) const noexcept { return index >= 0 && index < kTagCount ? lengths[index] : 0; }
  const char* DdaPrefix() const noexcept { return names[ddaIndex]; }

  // The tag-name index a tag written in an X.400 part stands for (letter
  // case ignored): the DDA tag matches any tag it begins (*isDda set then),
  // every other tag with a slot must match whole. -1 when none matches.
  int Match(const char* tag, size_t length, bool* isDda) const noexcept;
};

// A reader's hold on the table in force; the table does not change while
// it is held. Hold it for one call, not longer: a change of a name waits
// for the readers of the spare copies.
class TagNames {
 public:
  TagNames() noexcept;
  ~TagNames() noexcept;
  TagNames(const TagNames&) = delete;
  TagNames& operator=(const TagNames&) = delete;

  const TagTable& operator*() const noexcept { return *table_; }
  const TagTable* operator->() const noexcept { return table_; }

 private:
  const TagTable* table_;
  void* version_;
};

// Replaces the name of an index (cut to 9 characters) and publishes the
// table; the DDA prefix follows a change of its index.
void SetTagName(int index, const char* name) noexcept;

// Copies the tag name of an index into out (size bytes, always terminated).
void CopyTagName(int index, char* out, size_t size) noexcept;

// Start-up: loads the names and the profile overrides.
void LoadTagNames(os::Module module) noexcept;

}  // namespace hvcn::model
