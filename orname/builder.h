// Building a held name from the components of a standard O/R address form.
//
// The values go into nameBuffer one after the other, unquoted and each
// ended by a NUL, exactly as they are to be written (as a decoded internal
// name holds them), and each is stored through SetAttributeValue, which
// checks it and chooses its teletex twin.
#pragma once

#include <cstdint>
#include <string_view>

#include "api/hvcn.h"
#include "model/slots.h"

namespace hvcn::orname {

// Detail texts of refusals (formatted with a label or text and a column).
namespace detail {
inline constexpr uint16_t kUnknownLabel = 2010;
inline constexpr uint16_t kDuplicate = 2011;
inline constexpr uint16_t kNotLabelValue = 2012;
inline constexpr uint16_t kBadQuoting = 2013;
inline constexpr uint16_t kFifthOrgUnit = 2014;
inline constexpr uint16_t kFifthDda = 2015;
inline constexpr uint16_t kValueRefused = 2016;
inline constexpr uint16_t kControlCharacter = 2017;
inline constexpr uint16_t kNoComponent = 2018;
inline constexpr uint16_t kCannotWrite = 2019;
inline constexpr uint16_t kNotAnAddress = 2020;
inline constexpr uint16_t kDomainNotMapped = 2021;
inline constexpr uint16_t kLocalPartNotOr = 2022;
inline constexpr uint16_t kNoMapping = 2023;
inline constexpr uint16_t kEmptyLocalPart = 2024;
inline constexpr uint16_t kTooManyLabels = 2025;
inline constexpr uint16_t kDdaTwice = 2026;
inline constexpr uint16_t kValueNotWritten = 2027;
inline constexpr uint16_t kDdaPlace = 2028;
inline constexpr uint16_t kDdaTypeTwoTexts = 2029;
}  // namespace detail

// The two text forms.
enum class Form : uint8_t {
  AnnexF,  // label=value items separated by ';' (or '/'), a separator in a value doubled
  StdOr,   // RFC 2156: /label=value/, '$' quoting the next character, '*' before a teletex part
};

// Where a component stands, for the detail of a refusal.
struct Where {
  std::string_view label;  // the label as written (or the text at fault)
  uint32_t column;         // 1-based character column
};

// The character column of `at` in `text`, counting from `base` + 1.
uint32_t ColumnOf(const char* text, const char* at, uint32_t base = 0) noexcept;

// A personal name written given.initials.surname (RFC 2156's PN, and the
// local part of a mapped RFC 822 address): the given name when the first
// part has two characters or more, then one-letter initials, and the rest,
// dots and all, as surname.
struct PersonalName {
  std::string_view given, surname;
  char initials[8];
  uint32_t initialCount;
  bool valid;  // a surname, and at most five initials
};
PersonalName SplitPersonalName(std::string_view text) noexcept;

class NameBuilder {
 public:
  // Empties the held name of the format and starts one of nameType
  // hvcnNAME_OR_ADDRESS.
  explicit NameBuilder(hvcnFormat* format) noexcept;

  // One component: a label and its value as written, [begin, end) in the
  // form given (separator: the separator of the ";" form). Refusals record
  // their detail.
  int32_t Take(const Where& where, std::string_view label, const char* begin, const char* end, Form form,
               char separator) noexcept;

  // A value given as plain text for a slot (the rows of a mapping table,
  // the labels of a domain).
  int32_t TakeText(const Where& where, int slot, std::string_view value) noexcept;

  // A personal name given.initials.surname.
  int32_t TakePersonalName(const Where& where, std::string_view text) noexcept;

  // The end of the address: a country without an ADMD gets the blank ADMD.
  // An address without components is refused.
  int32_t Finish() noexcept;

  // Records the detail of a refusal and returns the status.
  int32_t Refuse(int32_t status, uint16_t detailId, const Where& where) noexcept;

  bool Used(int slot) const noexcept { return slot >= 0 && slot < model::kStandardSlots && used_[slot]; }

 private:
  struct Parts {
    uint32_t printable;  // offsets of the two parts in nameBuffer
    int64_t teletex;     // -1 when the value has no teletex part
  };

  int32_t TakeSlot(const Where& where, int slot, const char* begin, const char* end, Form form,
                   char separator) noexcept;
  int32_t TakePersonalNameAt(const Where& where, uint32_t offset) noexcept;
  int32_t TakeDda(const Where& where, std::string_view type, const char* begin, const char* end, Form form,
                  char separator) noexcept;
  int32_t Decode(const Where& where, const char* begin, const char* end, Form form, char separator, bool split,
                 Parts* parts) noexcept;
  int32_t Store(const Where& where, int slot, uint32_t offset) noexcept;
  int32_t StoreParts(const Where& where, int slot, const Parts& parts) noexcept;
  bool Put(char c) noexcept;
  bool PutText(std::string_view text) noexcept;
  int32_t Full(const Where& where) noexcept;

  hvcnFormat* format_;
  uint32_t length_ = 0;  // bytes of nameBuffer taken
  bool used_[model::kStandardSlots] = {};  // slots given a value
  uint32_t ddaCount_ = 0;
  uint32_t ddaTypes_[4] = {};  // offsets of the domain-defined types taken
  int components_ = 0;
  uint32_t countryColumn_ = 0;  // where the country was given (for the blank ADMD it brings)
};

}  // namespace hvcn::orname
