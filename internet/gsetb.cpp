// The internet test on an internal type 2 name: groups 1 to 4 hold nothing
// but separators, or the type of the first domain-defined attribute (group 1
// field 16, or its teletex twin in group 3) reads "RFC-822"; and the third
// field of group 5, user attribute 167, holds the internet address.
#include "internet/internet_name.h"

namespace hvcn {
namespace {

constexpr char kFieldEnd = '\x1D';  // GS
constexpr char kGroupEnd = '\x17';  // ETB

constexpr int kAddressGroup = 5;      // the group after the fourth ETB
constexpr int kDomainTypeField = 15;  // 16th field: type of the first domain-defined attribute
constexpr int kAddressFieldGs = 2;    // GS before the third field of group 5

// Do the seven bytes at p read "RFC-822" in any ASCII letter case? Stops at
// the first difference, so it never reads past a terminator.
bool IsRfc822Keyword(const char* p) noexcept {
  constexpr char kKeyword[] = "rfc-822";
  for (int i = 0; kKeyword[i] != '\0'; ++i) {
    char c = p[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kKeyword[i]) return false;
  }
  return true;
}

}  // namespace

uint32_t IsGsEtbInternetName(const char* name) noexcept {
  if (!name) return 0;
  const char* p = name;
  int group = 1;
  int field = 0;
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
    } else if ((group == 1 || group == 3) && field == kDomainTypeField && IsRfc822Keyword(p)) {
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
