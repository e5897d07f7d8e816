// RS lists: hvcnGetRSList over any format string and buffer size.
//
// Input: a format that is not ready (1 byte: 0x01), the settings
// (fuzz_support.h: 0x80 the usual form, 0x01 7-bit only), the buffer size
// (2 bytes), the format string.
// Properties: documented statuses; the list is terminated within the size;
// the usual form ends without RS, the user-only form with one and starts
// with the standard-attribute marker; a list that does not fit is the start
// of the whole list, cut after a complete name and its RS; every name in the
// list is the name of a record of the format; nothing else in the format
// changes.
#include "format_checks.h"

using namespace hvcn::fuzz;

namespace {

constexpr std::string_view kUserOnlyMarker = "@X400-ATTR@\x1E";

bool IsRecordName(const hvcnFormat& f, std::string_view name) {
  for (const hvcnAttribute& a : f.attributes)
    if (a.id != 0 && std::string_view(a.name) == name) return true;
  return false;
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const bool notReady = in.Byte() & 0x01;
  const uint8_t settings = in.Byte();
  const uint16_t want = in.U16();
  auto f = notReady ? NewFormat() : Ready(in.Rest(), settings);
  if (!f) return;
  const auto before = std::make_unique<hvcnFormat>(*f);
  const uint32_t n = (want & 0x8000) ? want : want % 200u;
  OutBuffer out(n);
  const int32_t status = hvcnGetRSList(f.get(), out.data(), n);
  CheckStatus(status, {hvcnSUCCESS, hvcnERR_BUFFER_TOO_SMALL, hvcnERR_BAD_PARAMETER, hvcnERR_FORMAT_NOT_READY},
              "hvcnGetRSList");
  if (n == 0 || !(f->flags & hvcnFMT_READY)) {
    Check(status == (n == 0 ? hvcnERR_BAD_PARAMETER : hvcnERR_FORMAT_NOT_READY), "refused");
    Check(out.Untouched(), "a refused call writes nothing");
    return;
  }
  Check(status == hvcnSUCCESS || status == hvcnERR_BUFFER_TOO_SMALL, "a ready format gets a list");
  Check(out.Terminated(), "the list is terminated within its size");
  before->errorDetail[0] = '\0';
  Check(std::memcmp(before.get(), f.get(), sizeof *f) == 0, "the list changes nothing in the format");

  OutBuffer big(16384);
  Check(hvcnGetRSList(f.get(), big.data(), static_cast<uint32_t>(big.size())) == hvcnSUCCESS, "whole list");
  const std::string_view whole = big.Text();
  const std::string_view list = out.Text();
  const bool userOnly = (f->flags & hvcnFMT_RS_USER_ONLY) != 0;
  if (status == hvcnSUCCESS) {
    Check(list == whole, "the list does not depend on a size that holds it");
  } else {
    // The names that fitted, each with its RS.
    Check(list.empty() || list.back() == hvcnCHAR_RS, "a cut list ends after a name's RS", list);
    if (!(userOnly && list.empty())) Check(whole.substr(0, list.size()) == list, "a cut list is the start of the list");
  }
  if (userOnly) {
    Check(whole.substr(0, kUserOnlyMarker.size()) == kUserOnlyMarker, "the user-only form starts with the marker");
    Check(whole.back() == hvcnCHAR_RS, "the user-only form keeps its last RS");
  } else if (!whole.empty()) {
    Check(whole.back() != hvcnCHAR_RS, "the usual form has no RS at the end");
  }
  std::string_view rest = userOnly ? whole.substr(kUserOnlyMarker.size()) : whole;
  while (!rest.empty()) {
    const size_t rs = rest.find(hvcnCHAR_RS);
    const std::string_view name = rest.substr(0, rs);
    Check(IsRecordName(*f, name), "a listed name is the name of a record", name);
    if (rs == std::string_view::npos) break;
    rest.remove_prefix(rs + 1);
  }
}
