// AMHS addressing: the conversion of AFTN addresses (AF-Addresses, eight
// letters LLLLOOOD) to the O/R addresses of ICAO's ATS Message Handling
// System and back, by the XF and CAAS schemes and three look-up tables (MD,
// CAAS, USER) that live in the caller's memory. api_amhs.cpp puts these
// behind the exports.
#pragma once

#include <cstdint>

#include "api/hvcn.h"

namespace hvcn::amhs {

// Detail texts: of the table reader (formatted with the line and the field
// at fault), and of the conversions (with the address and the step).
namespace detail {
inline constexpr uint16_t kNotARow = 2300;
inline constexpr uint16_t kFieldCount = 2301;
inline constexpr uint16_t kBadKey = 2302;
inline constexpr uint16_t kBadScheme = 2303;
inline constexpr uint16_t kBadLocation = 2304;
inline constexpr uint16_t kBadUserAf = 2305;
inline constexpr uint16_t kBadValue = 2306;
inline constexpr uint16_t kBadMf = 2307;
inline constexpr uint16_t kDuplicateMd = 2308;
inline constexpr uint16_t kDuplicateUserAf = 2309;
inline constexpr uint16_t kDuplicateUserMf = 2310;
inline constexpr uint16_t kDuplicateCaas = 2311;
inline constexpr uint16_t kControlCharacter = 2312;
inline constexpr uint16_t kTooLarge = 2313;
inline constexpr uint16_t kNotAnAf = 2320;
inline constexpr uint16_t kNoMd = 2321;
inline constexpr uint16_t kAmbiguousMd = 2322;
inline constexpr uint16_t kNoCaas = 2323;
inline constexpr uint16_t kAmbiguousCaas = 2324;
inline constexpr uint16_t kOtherScheme = 2325;
inline constexpr uint16_t kOriginatorRefused = 2326;
inline constexpr uint16_t kRecipientRefused = 2327;
inline constexpr uint16_t kNotTables = 2328;
}  // namespace detail

// Reads the tables' text into the caller's memory (see hvcnParseAMHSTables
// for the statuses). A refusal leaves its detail text in `detail`.
int32_t BuildTables(const char* text, void* tables, uint32_t size, uint32_t* needed, uint32_t* line, char* detail,
                    uint32_t detailSize) noexcept;

// An AF-Address to the held name of the format (hvcnAFTNToORAddress).
int32_t ToORAddress(const char* aftn, const void* tables, uint32_t size, hvcnFormat* format,
                    uint32_t* scheme) noexcept;

// The held name to an AF-Address (hvcnORAddressToAFTN); `flags` are the
// caller's hvcnAMHS_ORIGINATOR and hvcnAMHS_KEEP_REVERSE, *result receives
// the scheme and the consistency bits.
int32_t ToAftn(hvcnFormat* format, const void* tables, uint32_t size, char* aftn, uint32_t aftnSize, uint32_t flags,
               uint32_t* result) noexcept;

}  // namespace hvcn::amhs
