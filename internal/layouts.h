// The field layouts of the internal name types 1 and 2.
#pragma once

#include <array>
#include <cstdint>

namespace hvcn::internal {

// Type 1: field k (1-25) carries attribute ID k; fields 1-9, 16-24 carry the
// teletex twin instead when it holds a value (and teletex is allowed).
struct GsField {
  int8_t slot;  // the base attribute's slot (ID k at slot k - 1)
  int8_t twin;  // the twin's slot, or -1
};

inline constexpr std::array<GsField, 25> kGsFields = {{
    {0, 25}, {1, 26}, {2, 27}, {3, 28},            // s g i q
    {4, 29}, {5, 30}, {6, 31}, {7, 32}, {8, 33},   // o1-o4 o
    {9, -1}, {10, -1}, {11, -1}, {12, -1},         // c a p x.121
    {13, -1}, {14, -1},                            // n-id t
    {15, 34}, {16, 35}, {17, 36}, {18, 37},        // DDA type/value pairs 1, 2
    {19, 38}, {20, 39}, {21, 40}, {22, 41},        // DDA type/value pairs 3, 4
    {23, 42},                                      // cn
    {24, -1},                                      // ff
}};

// Type 2: five address groups of positional fields.
struct GsEtbField {
  enum Kind : uint8_t { Attribute, Placeholder, User };
  Kind kind;
  int16_t number;  // attribute ID, or user attribute number
};

inline constexpr GsEtbField A(int16_t id) { return {GsEtbField::Attribute, id}; }
inline constexpr GsEtbField kPlaceholder = {GsEtbField::Placeholder, 0};
inline constexpr GsEtbField U(int16_t number) { return {GsEtbField::User, number}; }

// The user attribute that carries an internet recipient's address.
inline constexpr int16_t kInternetAddressUser = 167;

inline constexpr GsEtbField kGroup1[] = {
    A(1),  A(2),  A(3),  A(4),  A(5),  A(6),  A(7),  A(8),  A(9),  A(10), A(11), A(12),
    A(13), A(14), A(15), A(16), A(17), A(18), A(19), A(20), A(21), A(22), A(23)};
inline constexpr GsEtbField kGroup2[] = {
    A(24), A(26), A(27), A(28), A(29), A(30), A(31), A(32), A(33), A(34),
    A(43), A(35), A(36), A(44), A(41), A(37), A(38), A(42), A(39), A(40)};
inline constexpr GsEtbField kGroup3[] = {
    A(51), A(52), A(53), A(54), A(55), A(56), A(57), A(58), A(59),
    kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder,
    A(60), A(61), A(62), A(63), A(64), A(65), A(66), A(67)};
inline constexpr GsEtbField kGroup4[] = {
    A(68), kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder, kPlaceholder,
    A(70), A(71), A(81), A(72), A(73), A(82), A(74), A(75), A(76), A(80), A(77), A(78)};
inline constexpr GsEtbField kGroup5[] = {A(25), U(116), U(kInternetAddressUser)};

struct GsEtbGroup {
  const GsEtbField* fields;
  int count;
};

inline constexpr std::array<GsEtbGroup, 5> kGsEtbGroups = {{
    {kGroup1, static_cast<int>(std::size(kGroup1))},
    {kGroup2, static_cast<int>(std::size(kGroup2))},
    {kGroup3, static_cast<int>(std::size(kGroup3))},
    {kGroup4, static_cast<int>(std::size(kGroup4))},
    {kGroup5, static_cast<int>(std::size(kGroup5))},
}};

}  // namespace hvcn::internal
