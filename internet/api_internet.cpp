// Exports of the internet-name checks. Both are pure tests: no format, no
// configuration, no trace lines; they answer 1 or 0.
#include "api/hvcn.h"
#include "internet/internet_name.h"

extern "C" {

HVCN_API uint32_t HVCN_CALL hvcnParseInternetName(const char* name, char* output) noexcept {
  return hvcn::ParseInternetName(name, output);
}

HVCN_API uint32_t HVCN_CALL hvcnIsGSETBInternetName(const char* name) noexcept {
  return hvcn::IsGsEtbInternetName(name);
}

}  // extern "C"
