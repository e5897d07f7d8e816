// The rules every value of the standard forms follows, read or written: a
// reader refuses what breaks them, and a writer refuses to write it, so that
// what a writer writes reads back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "orname/text.h"

namespace hvcn::orname {

// The blank ADMD: an ADMD of blanks only, or empty, is held and written as
// one blank (X.400 has no address without an ADMD; F.401 Annex F writes the
// blank one by leaving the ADMD out, or empty, or as a blank).
inline constexpr std::string_view kBlankAdmd = " ";
constexpr bool IsBlankText(std::string_view text) noexcept { return Trim(text).empty(); }
constexpr std::string_view AdmdText(std::string_view value) noexcept {
  return IsBlankText(value) ? kBlankAdmd : value;
}

// The most lines of an unformatted postal address (X.411's
// ub-pds-physical-address-lines).
inline constexpr size_t kMaxPostalLines = 6;

// The check of a value in a slot: the check hvcnValidateAttribute makes for
// the slot's attribute, and no more than kMaxPostalLines lines (held
// separated by CAN) in an unformatted postal address. 0 or the status.
int32_t CheckValue(int slot, std::string_view value) noexcept;

// The printable part of a "/" form value that also has a teletex part
// (printable*teletex) must be printable (the unformatted postal address
// line by line): 0 or the status.
int32_t CheckPrintablePart(int slot, std::string_view value) noexcept;

}  // namespace hvcn::orname
