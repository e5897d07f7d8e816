// The internal name types: the attribute values of one name laid out in a
// fixed order and separated by ASCII control characters.
//
//   type 1 (GS)      25 positional fields separated by GS
//   type 2 (GSETB)   five address groups separated by ETB, fields by GS
//   type 3 (GSRS)    items "name GS value" separated by RS
#pragma once

#include <cstdint>
#include <string_view>

#include "api/hvcn.h"
#include "core/text_sink.h"

namespace hvcn::internal_form {

// Writes one held value into out: as stored for a decoded name; without
// escapes (and for initials and qualifiers without dots) for a typed one.
// Lowers *remaining (when given) by the bytes written; returns the end.
char* CopyStoredValue(const hvcnFormat* format, int slot, char* out, uint32_t* remaining) noexcept;

// CopyStoredValue into a text (room for the value checked by the caller).
void AppendStoredValue(const hvcnFormat* format, int slot, TextSink& out) noexcept;

// The encoders, into a caller's buffer or measuring; on lack of room they
// leave the buffer's first byte NUL and return hvcnERR_BUFFER_TOO_SMALL.
int32_t EncodeGs(const hvcnFormat* format, TextSink& out) noexcept;
int32_t EncodeGsEtb(hvcnFormat* format, TextSink& out) noexcept;
int32_t EncodeGsRs(const hvcnFormat* format, TextSink& out, uint32_t flags) noexcept;

// The text of a held value as the standard forms and DER write it: as
// CopyStoredValue copies it into scratch (room for nameBuffer), with US
// standing for the wildcard character again; false when the slot holds no
// value.
bool HeldText(const hvcnFormat* format, int slot, char* scratch, std::string_view* text) noexcept;

// The slot that holds the value of a base slot: a reconfigured slot stands
// for a personal-name part that it holds (unless hvcnFMT_NO_RECONFIG).
int SourceSlot(const hvcnFormat* format, int slot) noexcept;

// Replaces the held name of the format with the internal text of a type.
int32_t DecodeInternalName(hvcnFormat* format, int32_t type, const char* text) noexcept;

// Decodes (source type 1-3) or uses the held name (type 0) and writes it in
// the destination type (0: only decode) into the destination, or measures
// it. *wrote tells whether the destination was written to.
int32_t TranslateInternal(hvcnFormat* format, int32_t sourceType, const char* source, int32_t destinationType,
                          TextSink& destination, uint32_t flags, bool* wrote) noexcept;

// The held value of an attribute ID (0: the user attribute named in buffer;
// -99..-90: the attribute of that token position) into buffer.
int32_t GetAttributeValueCore(hvcnFormat* format, int32_t id, char* buffer, uint16_t size) noexcept;

}  // namespace hvcn::internal_form
