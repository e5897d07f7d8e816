// Status texts and the version: any code, any buffer size.
//
// Input: code (4 bytes), text buffer size (2 bytes), version buffer size (1 byte).
// Properties: the status is 0 for the codes that have a text and 11 for any
// other; the text is terminated within the size and is the start of the
// text a large buffer receives; a zero size or a NULL buffer is refused and
// nothing is written; hvcnVersion always answers 0 and interface 104.
#include "fuzz_support.h"

using namespace hvcn::fuzz;

HVCN_FUZZ_TARGET(in) {
  const int32_t code = in.I32();
  const uint32_t textSize = in.U16() % 320u;
  const uint32_t versionSize = in.Byte() % 16u;

  OutBuffer full(1024);
  const int32_t fullStatus = hvcnGetErrorText(code, full.data(), static_cast<uint32_t>(full.size()));
  Check(fullStatus == ((code >= 0 && code <= 30) ? hvcnSUCCESS : hvcnERR_UNKNOWN_ERROR_NUMBER),
        "status of hvcnGetErrorText", std::to_string(code));
  Check(full.Terminated(), "error text terminated");
  Check(!full.Text().empty(), "every code has a text");

  OutBuffer text(textSize);
  const int32_t status = hvcnGetErrorText(code, text.data(), textSize);
  if (textSize == 0) {
    Check(status == hvcnERR_BAD_PARAMETER, "a zero size is refused");
  } else {
    // A 1-byte buffer can hold no character of a text, which the loader
    // reports as a text it could not load: the general text then stands in.
    if (textSize > 1) Check(status == fullStatus, "the status does not depend on the size");
    else Check(status == fullStatus || status == hvcnERR_UNKNOWN_ERROR_NUMBER, "status with a 1-byte buffer");
    Check(text.Terminated(), "error text terminated within its size");
    const std::string_view cut = full.Text().substr(0, textSize - 1);
    Check(text.Text() == cut, "a short buffer receives the start of the text", text.Text());
  }
  Check(hvcnGetErrorText(code, nullptr, textSize) == hvcnERR_BAD_PARAMETER, "a NULL buffer is refused");

  OutBuffer version(versionSize);
  uint16_t interface = 0;
  Check(hvcnVersion(version.data(), versionSize, &interface) == hvcnSUCCESS, "hvcnVersion answers 0");
  Check(interface == hvcnINTERFACE_NUMBER, "interface number");
  if (versionSize > 0) {
    Check(version.Terminated(), "version terminated within its size");
    Check(version.Text() == std::string_view(hvcnVERSION_TEXT).substr(0, versionSize - 1), "version text");
  } else {
    Check(version.Untouched(), "hvcnVersion with size 0 writes nothing");
  }
  Check(hvcnVersion(nullptr, versionSize, nullptr) == hvcnSUCCESS, "hvcnVersion with NULL pointers");
}
