// The process-wide X.400 tag-name table: 43 names of at most 9 characters,
// loaded at start-up from strings 3300 + index with overrides from the
// profile section 3400, and changed only through format information type 16.
#pragma once

#include <cstddef>

#include "core/platform/os.h"

namespace hvcn::model {

inline constexpr size_t kTagNameSize = 10;

// The tag name of index 0-42 ("" for an index without one), and its length.
const char* TagName(int index) noexcept;
size_t TagNameLength(int index) noexcept;

// Copies the tag name of an index into out (size bytes, always terminated).
void CopyTagName(int index, char* out, size_t size) noexcept;

// Replaces the name of an index (cut to 9 characters); recomputes the
// domain-defined-attribute prefix when the index is the DDA tag's.
void SetTagName(int index, const char* name) noexcept;

// The domain-defined-attribute prefix: its tag-name index and text length.
int DdaPrefixIndex() noexcept;
size_t DdaPrefixLength() noexcept;

// The tag-name index a tag written in an X.400 part stands for (letter case
// ignored): the DDA tag matches any tag it begins (*isDda set then), every
// other tag with a slot must match whole. -1 when none matches.
int MatchTag(const char* tag, size_t length, bool* isDda) noexcept;

// Start-up: loads the names and the profile overrides.
void LoadTagNames(os::Module module) noexcept;

}  // namespace hvcn::model
