// Where and why a call refused its input, beyond its status and detail:
// the column and the word or component at fault in a typed name, the
// attribute whose check refused a value, the component of a standard O/R
// address form, the profile setting behind a format string that cannot be
// read. The explainer asks the library again: it repeats the failed call, in
// parts where that tells more, on a format of its own that takes the
// refusal note (core/refusal_note.h). The failed format is only read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/hvcn.h"

namespace hvcn::explain {

// The longest explanation, its NUL included (a component is shown cut to
// 128 characters).
inline constexpr size_t kExplanationSize = 1536;

// hvcnExplainStatus after its argument checks: the explanation of `status`,
// which the call `call` (hvcnEXPLAIN_*) given `text` and `how` left in
// `failed`, into out (cut to kExplanationSize), *column the column at fault
// (0: none). hvcnERR_NO_VALUE when there is nothing to add.
int32_t Explain(const hvcnFormat* failed, int32_t status, uint32_t call, uint32_t how, const char* text,
                char (&out)[kExplanationSize], uint32_t* column) noexcept;

}  // namespace hvcn::explain
