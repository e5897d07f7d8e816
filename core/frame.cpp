#include "core/frame.h"

#include <string_view>

#include "core/strings.h"

namespace hvcn {

void ApiFrame::Fault(const char* line) noexcept { trace::WriteLine(trace::tag::kError, line); }

bool ApiFrame::FormatAndBufferGiven(hvcnFormat* format, const char* buffer, uint32_t size) noexcept {
  if (!format) {
    Fault("Format pointer is NULL");
    return false;
  }
  ClearDetail(format);
  if (!buffer || size == 0) {
    Fault("Name buffer is NULL or zero length.");
    return false;
  }
  return true;
}

int32_t ApiFrame::Abort(int32_t status) const noexcept {
  if (status != 0 && trace::On(trace::kApi)) trace::StatusText(status);
  return status;
}

void ApiFrame::ReturnLineOnly(int32_t status) const noexcept {
  if (!trace::On(trace::kApi)) return;
  if (style_ == ReturnLine::WithName)
    trace::Line(trace::tag::kApiReturn, "%d (%s)", status, name_);
  else
    trace::Line(trace::tag::kApiReturn, "%d", status);
}

int32_t ApiFrame::Finish(int32_t status) const noexcept {
  Abort(status);
  ReturnLineOnly(status);
  return status;
}

void ApiFrame::ShowOutput(const char* label, const char* buffer, uint32_t size, bool wrote) noexcept {
  if (!trace::On(trace::kApi)) return;
  char shown[trace::kLineSize / 2] = "<NULL>";
  if (buffer) {
    size_t n = 0;
    while (wrote && n < size && n < sizeof shown - 1 && buffer[n]) ++n;
    CopyBounded(shown, sizeof shown, std::string_view(buffer, n));
  }
  trace::Line(trace::tag::kApiReturn, "%s=\"%s\"", label, shown);
}

void RecordDetail(hvcnFormat* format, uint16_t id) noexcept {
  char* detail = format->errorDetail;
  const int32_t size = static_cast<int32_t>(sizeof format->errorDetail);
  if (LoadLocalString(id, detail, size)) return;
  char general[256];
  if (LoadLocalString(kTextGeneralError, general, sizeof general))
    FormatText(detail, sizeof format->errorDetail, general, id);
  else
    detail[0] = '\0';
}

}  // namespace hvcn
