// Attribute value checks, after the X.400 O/R-address attribute types, and
// the one setter through which parsers and decoders store a value.
//
// Class checks return 0 or a negated length (the value's full byte length,
// escape backslashes included) for an acceptable value, and a positive
// status code otherwise.
#pragma once

#include <cstdint>

#include "api/hvcn.h"

namespace hvcn::model {

enum class ValueClass : uint8_t { Numeric, Printable, String, TeletexOrPrintable };

// The characters of ASN.1's PrintableString: letters, digits, the blank and
// ' ( ) + , - . / : = ? (the Printable class also takes '"').
constexpr bool IsPrintableStringCharacter(unsigned char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '\'' ||
         (c >= '(' && c <= ')') || (c >= '+' && c <= '/') || c == ':' || c == '=' || c == '?';
}

// The class check: the negated length in bytes, or a status. *flag
// (optional) is set for a String value holding a byte above 0x7F, and for a
// Teletex-or-printable value that needs teletex. A value of more than
// INT32_MAX bytes is too long whatever the maximum.
int32_t CheckClass(ValueClass valueClass, const char* value, int32_t maximum,
                   int32_t* flag = nullptr) noexcept;

// Two letters or three digits; any failure is hvcnERR_BAD_COUNTRY.
int32_t ValidateCountry(const char* value) noexcept;

// Up to three characters, then an optional final '.'.
int32_t ValidateGenerationQualifier(const char* value, int32_t* endsWithDot,
                                    int32_t* needsTeletex) noexcept;

// Single characters each followed by '.', the end or the wildcard.
int32_t ValidateInitials(const char* value, int32_t* allDotted, int32_t* needsTeletex) noexcept;

// Lines separated by CAN (0x18), each Printable of at most 30.
int32_t ValidatePrintableList(const char* value) noexcept;

// The check of an attribute ID (or class number 5000-5003): hvcnSUCCESS or
// a status. A maximum of 0 takes the attribute's default.
int32_t ValidateById(const char* value, int32_t maximum, int32_t id) noexcept;

// Checks a value (NUL-terminated, inside nameBuffer at `offset`) and stores
// it in the slot or in its teletex twin.
int32_t SetAttributeValue(hvcnFormat* format, const char* value, uint32_t offset, int slot) noexcept;

// SetAttributeValue for a value the caller has found to hold only
// PrintableString characters (`length` bytes): the slots whose check takes
// every such character skip it but for the length; the others check in
// full. The same answer and the same store as SetAttributeValue.
int32_t SetPrintableStringValue(hvcnFormat* format, const char* value, uint32_t length, uint32_t offset,
                                int slot) noexcept;

// True when the check SetAttributeValue makes of a value that it stores in
// `slot` itself (not in the slot's twin) passes only values that
// hvcnValidateAttribute passes for the slot's attribute: such a value needs
// no second check.
bool StoreCheckCoversId(int slot) noexcept;

// Stores the value [start, end) of nameBuffer through SetAttributeValue,
// ending it with a NUL for the time of the check.
int32_t StoreValue(hvcnFormat* format, char* start, char* end, int slot) noexcept;
int32_t SetInitials(hvcnFormat* format, const char* value, uint32_t offset, bool dotRequired) noexcept;
int32_t SetGenerationQualifier(hvcnFormat* format, const char* value, uint32_t offset,
                               bool dotRequired) noexcept;

}  // namespace hvcn::model
