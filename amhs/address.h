// The O/R address side of the conversions: an MF-Address read into a held
// name, and the comparison key of an O/R address.
//
// The comparison key: two addresses with the same
// attributes, in any order and any letter case, have the same key. The user
// table is searched by it, and the reverse conversion is compared by it.
//
//   key   = the entries, sorted bytewise, one after the other
//   entry = slot + 1, the value in upper case, NUL
//         | 0xF0, the domain-defined type in upper case, NUL, its value, NUL
//
// Only non-empty values count; a teletex twin counts as its base attribute
// (an address read under other settings keeps its key), and a
// domain-defined attribute by its type, whichever of the four pairs holds it.
// User attributes of a typed name are no part of an O/R address and are
// left out.
#pragma once

#include <cstdint>
#include <string_view>

#include "api/hvcn.h"
#include "model/slots.h"
#include "orname/builder.h"

namespace hvcn::amhs {

// Readies a format of the library's own for reading addresses (the standard
// records, no settings): the table reader checks the USER rows' MF-Addresses
// in one.
void PrepareScratch(hvcnFormat* format) noexcept;

// Reads an MF-Address written in the "/" form into the builder's held name
// and holds it as a read name.
int32_t ReadMfAddress(orname::NameBuilder& builder, std::string_view text) noexcept;

// What a USER row keeps of its MF-Address: the values of the held name as
// read, for each present value of a catalogue slot in slot order the slot
// (one byte), its length (two bytes, the machine's order) and its bytes.
// Held again, they give the same held name without reading the text again.
inline constexpr uint32_t kValueListMax = model::kStandardSlots * 3 + sizeof(hvcnFormat::nameBuffer);

// Writes the held name's value list into out (null: only measures);
// returns its bytes.
uint32_t WriteValueList(const hvcnFormat* format, char* out) noexcept;

// Holds a value list in the builder's held name as a read name. A list
// that is not one sets *damaged.
int32_t HoldValueList(orname::NameBuilder& builder, std::string_view list, bool* damaged) noexcept;


class KeyBuilder {
 public:
  // Adds the value of an attribute (a catalogue slot); false when the key
  // would not fit.
  bool Add(int slot, std::string_view value) noexcept;
  // Adds a domain-defined attribute.
  bool AddDda(std::string_view type, std::string_view value) noexcept;
  // The key: the entries sorted and joined (valid while the builder lives).
  std::string_view Finish() noexcept;

 private:
  static constexpr uint32_t kMaxEntries = 96;
  static constexpr uint32_t kSize = 2 * sizeof(hvcnFormat::nameBuffer) + 2 * kMaxEntries;

  bool Put(std::string_view text) noexcept;

  char entries_[kSize];
  uint32_t used_ = 0;
  uint32_t start_[kMaxEntries];
  uint32_t length_[kMaxEntries];
  uint32_t count_ = 0;
  char key_[kSize];
};

// What the shapes of the two schemes look at, read with the key: the
// values (upper case, cut to 8 letters; a length says the rest) of C, ADMD,
// PRMD, O, OU1 and CN, and whether any other attribute is held.
struct Shape {
  struct Value {
    char text[8];
    uint32_t length = 0;
    std::string_view view() const noexcept { return {text, length < sizeof text ? length : sizeof text}; }
    bool Is(std::string_view word) const noexcept { return length == word.size() && view() == word; }
  };
  enum Part : uint8_t { kC, kAdmd, kPrmd, kO, kOu1, kCn, kParts };
  Value part[kParts];
  bool other = false;

  const Value& c() const noexcept { return part[kC]; }
  const Value& admd() const noexcept { return part[kAdmd]; }
  const Value& o() const noexcept { return part[kO]; }
  const Value& ou1() const noexcept { return part[kOu1]; }
  const Value& cn() const noexcept { return part[kCn]; }
};

// Reads the held name's key (and its shape, when wanted); false when its
// key would not fit.
bool ReadHeldAddress(const hvcnFormat* format, KeyBuilder* key, Shape* shape) noexcept;

}  // namespace hvcn::amhs
