// The process-wide X.400 tag-name table: 43 names of at most 9 characters,
// loaded at start-up from strings 3300 + index with overrides from the
// profile section 3400, and changed only through format information type 16.
#pragma once

#include <cstddef>

#include "core/platform/os.h"

namespace hvcn::model {

inline constexpr size_t kTagNameSize = 10;

// The tag name of index 0-42 ("" for an index without one).
const char* TagName(int index) noexcept;

// Replaces the name of an index (cut to 9 characters); recomputes the
// domain-defined-attribute prefix when the index is the DDA tag's.
void SetTagName(int index, const char* name) noexcept;

// The domain-defined-attribute prefix: its tag-name index and text length.
int DdaPrefixIndex() noexcept;
size_t DdaPrefixLength() noexcept;

// Start-up: loads the names and the profile overrides.
void LoadTagNames(os::Module module) noexcept;

}  // namespace hvcn::model
