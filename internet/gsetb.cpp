// The internet test on an internal type 2 name: groups 1 to 4 hold nothing
// but separators, or the type of the first domain-defined attribute (group 1
// field 16, or its teletex twin in group 3) reads "RFC-822"; and the third
// field of group 5, user attribute 167, holds the internet address.
#include <cstddef>

#include "api/hvcn.h"
#include "core/ascii.h"
#include "internal_form/layouts.h"
#include "internet/internet_name.h"

namespace hvcn {
namespace {

constexpr char kFieldEnd = hvcnCHAR_GS;
constexpr char kGroupEnd = hvcnCHAR_ETB;

// Where the type 2 layout puts the first domain-defined type (and, two
// groups later, its twin) and the internet address.
constexpr internal_form::GsEtbPosition kDomainType = internal_form::GsEtbPositionOf(model::kDdaPairs[0].type);
constexpr internal_form::GsEtbPosition kDomainTypeTwin = internal_form::GsEtbPositionOf(model::OtherTwinOf(model::kDdaPairs[0].type));
constexpr internal_form::GsEtbPosition kAddress = [] {
  for (const internal_form::GsEtbUserField& user : internal_form::kGsEtbUserFields)
    if (user.number == internal_form::kInternetAddressUser) return user.position;
  return internal_form::GsEtbPosition{0, 0};
}();
static_assert(kDomainType.field == kDomainTypeTwin.field && kAddress.group == internal_form::kGsEtbGroupCount);

constexpr int kAddressGroup = kAddress.group;            // the group after the fourth ETB
constexpr size_t kDomainTypeField = kDomainType.field - 1;  // GS separators before the type's field
constexpr int kAddressFieldGs = kAddress.field - 1;      // GS separators before the address field

// Do the seven bytes at p read "RFC-822" in any ASCII letter case?
bool IsRfc822Keyword(const char* p) noexcept { return ascii::StartsWithNoCase(p, "RFC-822"); }

}  // namespace

uint32_t IsGsEtbInternetName(const char* name) noexcept {
  if (!name) return 0;
  const char* p = name;
  int group = 1;
  size_t field = 0;  // GS seen in the group: as many as the text has bytes
  bool found = false;
  bool other = false;
  for (;; ++p) {
    const char c = *p;
    if (c == '\0') return 0;  // fewer than four groups end
    if (c == kGroupEnd) {
      field = 0;
      if (++group == kAddressGroup) {
        ++p;
        break;
      }
    } else if (c == kFieldEnd) {
      ++field;
    } else if ((group == kDomainType.group || group == kDomainTypeTwin.group) && field == kDomainTypeField &&
               IsRfc822Keyword(p)) {
      found = true;
    } else {
      other = true;
    }
  }
  if (other && !found) return 0;

  int separators = 0;
  for (;; ++p) {
    const char c = *p;
    if (c == '\0' || c == kGroupEnd) return 0;
    if (c == kFieldEnd && ++separators == kAddressFieldGs) {
      const char next = p[1];
      return next != '\0' && next != kFieldEnd && next != kGroupEnd ? 1 : 0;
    }
  }
}

}  // namespace hvcn
