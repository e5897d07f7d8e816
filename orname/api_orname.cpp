// Exports of the standard O/R address forms: argument checks, the call
// frame, one call into the subsystem.
#include "api/hvcn.h"
#include "core/frame.h"
#include "core/trace.h"
#include "orname/forms.h"
#include "orname/table.h"

using hvcn::ApiFrame;
namespace orname = hvcn::orname;
namespace trace = hvcn::trace;

namespace {

constexpr uint32_t kReadForms = hvcnOR_FROM_ANNEXF | hvcnOR_FROM_STDOR;
constexpr uint32_t kWriteFlags = hvcnOR_ANNEXF | hvcnOR_LONG_LABELS | hvcnOR_SHORT_LABELS | hvcnOR_TELETEX_ESCAPES;
constexpr uint32_t kMappingFlags = hvcnOR_SHORT_LABELS | hvcnOR_NO_PERSONAL_LOCAL | hvcnOR_IMCEA;

// The common checks of the exports that work on a format: 0 to go on.
int32_t CheckFormat(const hvcnFormat* f, bool nameNeeded) noexcept {
  if (!(f->flags & hvcnFMT_READY)) return hvcnERR_FORMAT_NOT_READY;
  if (nameNeeded && !(f->flags & hvcnFMT_NAME_HELD)) {
    ApiFrame::Fault("No name has been parsed. No data are available.");
    return hvcnERR_BAD_PARAMETER;
  }
  return hvcnSUCCESS;
}

// No gateway, or a domain.
bool GoodGateway(const char* gateway) noexcept { return !gateway || orname::IsDomain(gateway); }

void TraceOutput(const char* text) noexcept { trace::If(trace::kData, trace::tag::kData, "Output name: '%s'", text); }

// The first checks of an export that writes a text of any length: a format
// (its detail then cleared), and a buffer unless the size is 0 (a size
// query). *needed starts at 0.
bool FormatAndOutputGiven(hvcnFormat* f, const char* buffer, uint32_t size, uint32_t* needed) noexcept {
  if (needed) *needed = 0;
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return false;
  }
  hvcn::ClearDetail(f);
  if (!buffer && size != 0) {
    ApiFrame::Fault("Name buffer is NULL with a size.");
    return false;
  }
  return true;
}

}  // namespace

extern "C" {

HVCN_API int32_t HVCN_CALL hvcnParseORAddress(const char* text, hvcnFormat* f, uint32_t flags) noexcept {
  ApiFrame frame("hvcnParseORAddress", ApiFrame::ReturnLine::WithName, "hvcnParseORAddress(\"%s\", %Fp, 0x%x)", text,
                 static_cast<const void*>(f), flags);
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  hvcn::ClearDetail(f);
  if (!text) {
    ApiFrame::Fault("O/R address is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if ((flags & ~kReadForms) != 0 || (flags & kReadForms) == kReadForms) return frame.Finish(hvcnERR_BAD_PARAMETER);
  if (int32_t status = CheckFormat(f, false)) return frame.Finish(status);
  return frame.Finish(orname::ReadORAddress(f, text, flags));
}

HVCN_API int32_t HVCN_CALL hvcnFormatORAddress(hvcnFormat* f, char* buffer, uint32_t size, uint32_t* needed,
                                               uint32_t flags) noexcept {
  ApiFrame frame("hvcnFormatORAddress", ApiFrame::ReturnLine::WithName, "hvcnFormatORAddress(%Fp, %Fp, %u, 0x%x)",
                 static_cast<const void*>(f), static_cast<const void*>(buffer), size, flags);
  if (!FormatAndOutputGiven(f, buffer, size, needed)) return frame.Finish(hvcnERR_BAD_PARAMETER);
  if (flags & ~kWriteFlags) return frame.Finish(hvcnERR_BAD_PARAMETER);
  if (int32_t status = CheckFormat(f, true)) return frame.Finish(status);
  const int32_t status = orname::WriteORAddress(f, buffer, size, needed, flags);
  if (status == hvcnSUCCESS) TraceOutput(buffer);
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnParseORTable(const char* text, void* table, uint32_t size, uint32_t* needed,
                                            uint32_t* line) noexcept {
  ApiFrame frame("hvcnParseORTable", ApiFrame::ReturnLine::WithName, "hvcnParseORTable(%Fp, %Fp, %u)",
                 static_cast<const void*>(text), table, size);
  if (line) *line = 0;
  if (!text || !needed || (!table && size != 0)) {
    ApiFrame::Fault("Table text, table or size pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  *needed = 0;
  uint32_t at = 0;
  const int32_t status = orname::BuildTable(text, table, size, needed, &at);
  if (line) *line = at;
  if (at != 0) trace::If(trace::kError, trace::tag::kError, "ORN: Mapping table line %u is not a row", at);
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnORAddressToRFC822(hvcnFormat* f, const char* gateway, const void* table,
                                                 uint32_t tableSize, char* buffer, uint32_t size, uint32_t* needed,
                                                 uint32_t flags) noexcept {
  ApiFrame frame("hvcnORAddressToRFC822", ApiFrame::ReturnLine::WithName,
                 "hvcnORAddressToRFC822(%Fp, \"%s\", %Fp, %u, %Fp, %u, 0x%x)", static_cast<const void*>(f), gateway,
                 table, tableSize, static_cast<const void*>(buffer), size, flags);
  if (!FormatAndOutputGiven(f, buffer, size, needed)) return frame.Finish(hvcnERR_BAD_PARAMETER);
  if ((!gateway && !table) || !GoodGateway(gateway) || (flags & ~kMappingFlags) || ((flags & hvcnOR_IMCEA) && !gateway)) {
    ApiFrame::Fault("Neither a gateway domain nor a mapping table, or a bad gateway domain");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (int32_t status = CheckFormat(f, true)) return frame.Finish(status);
  const int32_t status = orname::MapToRfc822(f, gateway, table, tableSize, buffer, size, needed, flags);
  if (status == hvcnSUCCESS) TraceOutput(buffer);
  return frame.Finish(status);
}

HVCN_API int32_t HVCN_CALL hvcnCheckGatewayDomain(const char* domain) noexcept {
  ApiFrame frame("hvcnCheckGatewayDomain", ApiFrame::ReturnLine::WithName, "hvcnCheckGatewayDomain(\"%s\")", domain);
  if (!domain) {
    ApiFrame::Fault("Domain is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  return frame.Finish(orname::CheckDomain(domain));
}

HVCN_API int32_t HVCN_CALL hvcnRFC822ToORAddress(const char* address, hvcnFormat* f, const char* gateway,
                                                 const void* table, uint32_t tableSize) noexcept {
  ApiFrame frame("hvcnRFC822ToORAddress", ApiFrame::ReturnLine::WithName,
                 "hvcnRFC822ToORAddress(\"%s\", %Fp, \"%s\", %Fp, %u)", address, static_cast<const void*>(f), gateway,
                 table, tableSize);
  if (!f) {
    ApiFrame::Fault("Format pointer is NULL");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  hvcn::ClearDetail(f);
  if (!address || (!gateway && !table) || !GoodGateway(gateway)) {
    ApiFrame::Fault("No address, or neither a gateway domain nor a mapping table, or a bad gateway domain");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  if (int32_t status = CheckFormat(f, false)) return frame.Finish(status);
  return frame.Finish(orname::MapFromRfc822(f, address, gateway, table, tableSize));
}

}  // extern "C"
