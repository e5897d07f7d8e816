// The fixed tables of the attribute catalogue: which catalogue slot holds
// each attribute ID, which slot each X.400 tag name stands for, and which
// slot holds the teletex twin of each base attribute.
//
// Slots 0-24 are the base attributes, 25-42 their teletex twins, 43-73 the
// postal and extension attributes and their twins, 74-137 user attributes.
#pragma once

#include <array>
#include <cstdint>

namespace hvcn::model {

inline constexpr int kStandardSlots = 74;
inline constexpr int kFirstUserSlot = 74;
inline constexpr int kSlotCount = 138;
inline constexpr int kMaxStandardId = 82;
inline constexpr int kTagCount = 43;
inline constexpr int kNoSlot = -1;

// ID-to-slot table, indexed by attribute ID 0-82; -1 where the ID is not a
// standard attribute.
inline constexpr std::array<int8_t, kMaxStandardId + 1> kSlotOfId = {
    -1,                                      // 0
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,   // 1-10   s g i q o1-o4 o c
    10, 11, 12, 13, 14, 15, 16, 17, 18, 19,  // 11-20  a p x.121 n-id t DDAT1 DDAV1 DDAT2 DDAV2 DDAT3
    20, 21, 22, 23, 24,                      // 21-25  DDAV3 DDAT4 DDAV4 cn ff
    43, 44, 45, 46, 47,                      // 26-30  E.163 number, subaddress, PSAP, terminal type, PDS name
    48, 49, 50, 51, 52, 53, 54, 55, 56, 57,  // 31-40  postal attributes
    58, 59, 60, 61,                          // 41-44  unformatted postal, poste restante, extensions
    -1, -1, -1, -1, -1, -1,                  // 45-50  not standard
    25, 26, 27, 28, 29, 30, 31, 32, 33,      // 51-59  s-tx g-tx i-tx q-tx o1-tx..o4-tx o-tx
    34, 35, 36, 37, 38, 39, 40, 41,          // 60-67  DDA type/value twins
    42,                                      // 68     cn-tx
    -1,                                      // 69     not standard
    62, 63, 64, 65,                          // 70-73  PD office name .. PD organisation twins
    66,                                      // 74     unformatted postal twin
    67, 68, 69, 70,                          // 75-78  street, PO box, unique postal name, local postal twins
    -1,                                      // 79     not standard
    71, 72, 73,                              // 80-82  poste restante, extension twins
};

// X.400 tag table, indexed by tag-name index 0-42: the slot each tag stands
// for. Rows 15-22 (the domain-defined attributes, which share one tag) and
// 34-41 (their teletex twins) have no slot; row 15 carries the DDA prefix.
inline constexpr std::array<int8_t, kTagCount> kTagSlot = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,   // s g i q o1 o2 o3 o4 o c
    10, 11, 12, 13, 14,                      // a p x.121 n-id t
    -1, -1, -1, -1, -1, -1, -1, -1,          // dd. (15) and the other DDA slots
    23, 24,                                  // cn ff
    25, 26, 27, 28, 29, 30, 31, 32, 33,      // s-tx g-tx i-tx q-tx o1-tx..o4-tx o-tx
    -1, -1, -1, -1, -1, -1, -1, -1,          // DDA teletex twins
    42,                                      // cn-tx
};

// The tag-name index that carries the domain-defined-attribute prefix.
inline constexpr int kDdaTagIndex = 15;

// Teletex twin table, indexed by base slot 0-24.
inline constexpr std::array<int8_t, 25> kTwinOfSlot = {
    25, 26, 27, 28, 29, 30, 31, 32, 33,      // s g i q o1-o4 o
    9,  10, 11, 12, 13, 14,                  // c a p x.121 n-id t: no twin
    34, 35, 36, 37, 38, 39, 40, 41,          // DDA type/value pairs
    42,                                      // cn
    24,                                      // ff is its own twin
};

constexpr int SlotOfId(int32_t id) noexcept {
  return (id >= 0 && id <= kMaxStandardId) ? kSlotOfId[static_cast<size_t>(id)] : kNoSlot;
}

}  // namespace hvcn::model
