// The binary O/R address: BER/DER ORAddress, ORName and the x400Address of
// X.509 certificates, to and from the held name. api_ber.cpp puts these
// behind the exports.
#pragma once

#include <cstdint>

#include "api/hvcn.h"
#include "ber/der.h"

namespace hvcn::ber {

// Detail texts of refusals (resources/*.strings 2200-2299).
namespace detail {
inline constexpr uint16_t kTruncated = 2200;       // component, offset
inline constexpr uint16_t kWrongTag = 2201;        // component, offset, tag, its name, expected tag, its name
inline constexpr uint16_t kLongLength = 2202;      // component, offset
inline constexpr uint16_t kIndefinite = 2203;      // component, offset
inline constexpr uint16_t kConstructed = 2204;     // component, offset
inline constexpr uint16_t kBadHeader = 2205;       // component, offset
inline constexpr uint16_t kFifthUnit = 2206;       // component, offset
inline constexpr uint16_t kFifthDomain = 2207;     // component, offset
inline constexpr uint16_t kTooDeep = 2208;         // component, offset
inline constexpr uint16_t kUnknownType = 2209;     // offset, type
inline constexpr uint16_t kDuplicate = 2210;       // component, offset
inline constexpr uint16_t kValueRefused = 2211;    // component, offset
inline constexpr uint16_t kBadCharacter = 2212;    // component, offset, offset of the character
inline constexpr uint16_t kStrayBytes = 2213;      // component, offset
inline constexpr uint16_t kNoAttribute = 2214;     //
inline constexpr uint16_t kMissingPart = 2215;     // component, offset, part
inline constexpr uint16_t kBadInteger = 2216;      // component, offset, largest value
inline constexpr uint16_t kEmpty = 2217;           // component, offset
inline constexpr uint16_t kPsapAddress = 2218;     // offset
inline constexpr uint16_t kOrder = 2219;           // component, offset
inline constexpr uint16_t kTrailing = 2220;        // bytes, offset
inline constexpr uint16_t kNameFull = 2221;        // component, offset
inline constexpr uint16_t kTooMany = 2222;         // component, offset, most
inline constexpr uint16_t kNotAnAddress = 2223;    // tag
inline constexpr uint16_t kUnexpectedTag = 2224;   // component, offset, tag, its name
// Writing.
inline constexpr uint16_t kCannotWrite = 2230;     // attribute, string type
inline constexpr uint16_t kMissingPartWritten = 2231;  // component, part
inline constexpr uint16_t kGap = 2232;             // component, part number
inline constexpr uint16_t kPsapNotWritten = 2233;  //
inline constexpr uint16_t kPostalLines = 2234;     //
// Certificates.
inline constexpr uint16_t kNoSuchEntry = 2240;     // entries, index
}  // namespace detail

// Reads an ORAddress, ORName or x400Address (the element at the front of
// `input`) into the held name. `used` (may be null) receives the bytes of
// the element; without it nothing may follow the element.
int32_t DecodeORAddress(hvcnFormat* format, Span input, uint32_t flags, uint32_t* used) noexcept;

// Writes the held name as DER into buffer (size bytes; null with 0 to
// measure); *needed (may be null) receives the size it takes.
int32_t EncodeORAddress(hvcnFormat* format, uint8_t* buffer, uint32_t size, uint32_t* needed, uint32_t flags) noexcept;

// Reads the index-th x400Address of a DER certificate's subjectAltName and
// issuerAltName into the held name; *extension receives where it stands.
int32_t CertificateORAddress(hvcnFormat* format, const uint8_t* certificate, uint32_t length, uint32_t index,
                             uint32_t flags, uint32_t* extension) noexcept;

}  // namespace hvcn::ber
