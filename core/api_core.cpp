// Exports of the library core: status texts and the version.
#include <cstddef>
#include <cstring>
#include <tuple>

#include "api/hvcn.h"
#include "core/frame.h"
#include "core/resource_library.h"
#include "core/strings.h"

using hvcn::ApiFrame;

// Callers of the 32-bit DLL allocate 7444 bytes for a format.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(hvcnFormat) == hvcnFORMAT_SIZE_WIN32);
static_assert(offsetof(hvcnFormat, reserved) == 7432);
#endif
static_assert(offsetof(hvcnFormat, nameType) == 1284);
static_assert(sizeof(hvcnAttribute) == 40);

extern "C" {

HVCN_API int32_t HVCN_CALL hvcnGetErrorText(int32_t code, char* buffer, uint32_t size) noexcept {
  ApiFrame frame("hvcnGetErrorText", ApiFrame::ReturnLine::WithName, "hvcnGetErrorText(%d, %Fp, %u)",
                 code, static_cast<const void*>(buffer), size);
  if (!buffer || size == 0) {
    ApiFrame::Fault("Supplied buffer NULL or zero length");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  // Resource loads take a signed size; a larger buffer is used in part.
  const int32_t room = size > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(size);
  if (code >= 0 && code <= 99 &&
      hvcn::LoadLocalString(static_cast<uint16_t>(hvcn::kTextStatusBase + code), buffer, room))
    return frame.Finish(hvcnSUCCESS);

  // No text of its own: the general text with the code in it, formatted in
  // scratch buffers so the caller's buffer only ever receives the result.
  char general[256];
  buffer[0] = '\0';
  if (hvcn::LoadLocalString(hvcn::kTextGeneralError, general, sizeof general) &&
      std::strlen(general) + 10 < 256) {
    char text[256];
    hvcn::FormatText(text, sizeof text, general, code);
    hvcn::CopyText(buffer, size, text);
  }
  return frame.Finish(hvcnERR_UNKNOWN_ERROR_NUMBER);
}

HVCN_API int32_t HVCN_CALL hvcnVersion(char* buffer, uint32_t size,
                                       uint16_t* interfaceNumber) noexcept {
  if (buffer && size > 0) hvcn::CopyText(buffer, size, hvcnVERSION_TEXT);
  if (interfaceNumber) *interfaceNumber = hvcnINTERFACE_NUMBER;
  return hvcnSUCCESS;
}

HVCN_API int32_t HVCN_CALL hvcnGetResourceLibrary(char* names, uint32_t namesSize, char* folder,
                                                  uint32_t folderSize) noexcept {
  ApiFrame frame("hvcnGetResourceLibrary", ApiFrame::ReturnLine::WithName,
                 "hvcnGetResourceLibrary(%Fp, %u, %Fp, %u)", static_cast<const void*>(names), namesSize,
                 static_cast<const void*>(folder), folderSize);
  if ((!names && namesSize) || (names && !namesSize) || (!folder && folderSize) || (folder && !folderSize)) {
    ApiFrame::Fault("Supplied buffer NULL or zero length");
    return frame.Finish(hvcnERR_BAD_PARAMETER);
  }
  const hvcn::ResourceChoice choice = hvcn::LastResourceChoice();
  bool fits = true;
  for (const auto& [buffer, size, text] : {std::tuple{names, namesSize, choice.names},
                                           std::tuple{folder, folderSize, choice.folder}}) {
    if (!buffer) continue;
    hvcn::CopyText(buffer, size, text);
    if (std::strlen(text) >= size) fits = false;
  }
  if (!fits) return frame.Finish(hvcnERR_BUFFER_TOO_SMALL);
  return frame.Finish(choice.loaded ? hvcnSUCCESS : hvcnERR_NO_VALUE);
}

}  // extern "C"
