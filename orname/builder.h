// Building a held name from the items of a standard O/R address form.
//
// The readers (orname/reader.cpp) cut a text into items, label=value; a
// sink takes each. NameBuilder is the sink that fills a held name: the
// values go into nameBuffer one after the other, unquoted and each ended by
// a NUL, exactly as they are to be written (as a decoded internal name
// holds them), and each is stored through SetAttributeValue, which checks
// it and chooses its teletex twin, then checked as hvcnValidateAttribute
// checks its attribute (orname/values.h). The organisational units, the
// domain-defined attributes and the lines of a postal address wait for the
// end of the address: their places depend on the items after them.
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
inline constexpr uint16_t kEmptyValue = 2030;
inline constexpr uint16_t kNoDdaType = 2031;
inline constexpr uint16_t kGap = 2032;
inline constexpr uint16_t kSlashItems = 2033;
inline constexpr uint16_t kDirectoryName = 2034;
inline constexpr uint16_t kSplitPair = 2035;
inline constexpr uint16_t kNoT61Character = 2036;
inline constexpr uint16_t kBadImcea = 2037;
inline constexpr uint16_t kUnitGapWritten = 2038;
inline constexpr uint16_t kNotT61Written = 2039;
inline constexpr uint16_t kFurtherItemsWritten = 2040;
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

// One item as a reader found it.
struct Item {
  std::string_view label;  // unquoted, without the blanks around it
  const char* value;       // the value as written, [value, valueEnd)
  const char* valueEnd;
  uint32_t column;         // of the item in the text
  Form form;
  char separator;          // of the ";" form (';', '/' or a table's '$')
};

// What takes the items of an address.
class ItemSink {
 public:
  virtual int32_t Take(const Item& item) noexcept = 0;
  // A refusal the reader found (the detail names `where`); returns status.
  virtual int32_t Refuse(int32_t status, uint16_t detailId, const Where& where) noexcept = 0;

 protected:
  ~ItemSink() = default;
};

// A bounded text a value is decoded into.
struct ValueText {
  char* base;
  uint32_t capacity;
  uint32_t* length;  // bytes used; grows as values are put
};

// A value decoded: the offsets of its printable part and, for "/" form
// values with '*', its teletex part (-1 when none), each ended by a NUL.
struct Parts {
  uint32_t printable;
  int64_t teletex;
};

// Decodes an item's value into `out`: in the ";" form a doubled separator
// stands for one; in the "/" form '$' quotes the next character, an
// unquoted '=' is refused, and (when `split`) an unquoted '*' ends the
// printable part and starts the teletex part, in which "{ddd...}" gives
// T.61 codes (three digits each), read into UTF-8. 0, or a status with
// *detailId set (17 with detail 0 when `out` is full).
int32_t DecodeValue(const Item& item, bool split, const ValueText& out, Parts* parts, uint16_t* detailId) noexcept;

// The character column of `at` in `text`, counting from `base` + 1.
uint32_t ColumnOf(const char* text, const char* at, uint32_t base = 0) noexcept;

// The columns of places met in order along one text: each counts on from
// the last, so a reader that asks at every item stays linear in the text.
class Columns {
 public:
  Columns(const char* text, uint32_t base) noexcept : text_(text), base_(base), at_(text), column_(base + 1) {}
  uint32_t Of(const char* place) noexcept {
    if (place < at_) {  // behind the last place asked for: count again
      at_ = text_;
      column_ = base_ + 1;
    }
    column_ += ColumnOf(at_, place) - 1;
    at_ = place;
    return column_;
  }

 private:
  const char* text_;
  uint32_t base_;
  const char* at_;
  uint32_t column_;
};

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

class NameBuilder final : public ItemSink {
 public:
  // Empties the held name of the format (format::StartReadName) and starts
  // one of nameType hvcnNAME_OR_ADDRESS.
  explicit NameBuilder(hvcnFormat* format) noexcept;

  // One item of the address. Refusals record their detail.
  int32_t Take(const Item& item) noexcept override;

  // A value given as plain text for a slot (the levels of a mapping table's
  // row, the labels of a domain).
  int32_t TakeText(const Where& where, int slot, std::string_view value) noexcept;

  // A personal name given.initials.surname.
  int32_t TakePersonalName(const Where& where, std::string_view text) noexcept;

  // The end of the address: the units, domain-defined attributes and postal
  // lines take their places (none missing before another), a country
  // without an ADMD gets the blank ADMD, an address without components is
  // refused.
  int32_t Finish() noexcept;

  int32_t Refuse(int32_t status, uint16_t detailId, const Where& where) noexcept override;

 private:
  // An item that waits for the end of the address.
  struct Pending {
    Parts parts;
    uint32_t type;     // a domain-defined attribute's type (offset)
    uint32_t column;
    uint8_t number;    // OU1..., DD1..., PD-A1...: its place; 0 the next free one
    uint8_t labelLength;
    char label[24];    // the label as written, for a detail
    Where where() const noexcept { return {{label, labelLength}, column}; }
  };
  struct PendingList {
    Pending items[6];
    uint32_t count = 0;
  };

  int32_t TakeSlot(const Item& item, const Where& where, int slot) noexcept;
  int32_t TakePersonalNameAt(const Where& where, uint32_t offset) noexcept;
  int32_t TakeDda(const Item& item, const Where& where, std::string_view type, uint8_t number) noexcept;
  int32_t Hold(PendingList& list, const Item& item, const Where& where, bool split, uint8_t number,
               uint16_t fifthDetail, int32_t fifthStatus) noexcept;
  int32_t PlaceUnits() noexcept;
  int32_t PlaceDdas() noexcept;
  int32_t PlaceLines() noexcept;
  int32_t Decode(const Item& item, const Where& where, bool split, Parts* parts) noexcept;
  int32_t Store(const Where& where, int slot, uint32_t offset) noexcept;
  int32_t StoreParts(const Where& where, int slot, const Parts& parts) noexcept;
  bool Put(char c) noexcept;
  bool PutText(std::string_view text) noexcept;
  int32_t Full(const Where& where) noexcept;

  hvcnFormat* format_;
  uint32_t length_ = 0;                    // bytes of nameBuffer taken
  bool used_[model::kStandardSlots] = {};  // slots given a value
  PendingList units_, ddas_, lines_;
  bool rightToLeft_ = false;  // the "/" form: repeated OU and DD. items count from the right
  int components_ = 0;
  uint32_t countryColumn_ = 0;  // where the country was given (for the blank ADMD it brings)
  bool splitPending_ = false;   // a DDA.TYPE waiting for its DDA.VALUE
  Pending split_{};             // (its type in split_.type)
};

}  // namespace hvcn::orname
