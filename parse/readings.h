// The readings of personal names. A name's words can be read in several
// ways (which word is the given name, which the initials ...); each reading
// is one row: its context-word bit, its nameShape code, the stores it makes
// in order, and what it makes of the parts it does not store. One
// interpreter (personal_name.cpp) runs the rows of both parsers.
#pragma once

#include <cstdint>

namespace hvcn::parse {

// The four parts of a personal name.
enum Part : uint8_t { kSurname, kGivenName, kInitials, kQualifier, kPartCount };

// Whether initials (or a qualifier) must carry their dots.
enum Dot : uint8_t {
  kDotNone,      // surname and given name
  kDotYes,       // always
  kDotComplete,  // when the token is complete
};

// What a reading makes of a part it does not store.
enum Other : uint8_t {
  kKeep,    // untouched
  kEmpty,   // present but empty (pe)
  kEmptyAb, // present but empty when complete, absent when open-ended (pe/ab)
};

struct Store {
  Part part;
  uint8_t first, last;  // words, from 1; several are joined into one value
  Dot dot;
};

struct Reading {
  uint8_t words;
  uint16_t bit;    // the context-word bit of the reading
  uint16_t code;   // the nameShape code
  uint8_t storeCount;
  Store stores[4];
  Other other[kPartCount];  // surname, given name, initials, qualifier
};

// How the first reading of a word count is chosen: when the probe word's
// second byte is '.' and storing it as initials succeeds, the probed
// reading; else, optionally, a second probe; else the fallback reading.
// The context word then holds every other reading of the word count,
// except where the rule keeps the word as it was.
struct FirstRule {
  uint8_t words;
  uint16_t probed;        // reading bit, 0 for none
  uint16_t probedAgain;   // second probe's reading bit, 0 for none
  uint16_t fallback;      // reading bit
  bool fallbackVariant;   // the fallback is the special first-only row
  bool keepsContext;      // the context word stays as it was
};

// Shortcuts for the tables.
constexpr Store S(Part part, uint8_t first, uint8_t last = 0, Dot dot = kDotNone) {
  return {part, first, last ? last : first, dot};
}
constexpr Store I(uint8_t word, Dot dot) { return {kInitials, word, word, dot}; }
constexpr Store Q(uint8_t word) { return {kQualifier, word, word, kDotComplete}; }
constexpr Store G(uint8_t first, uint8_t last = 0) { return S(kGivenName, first, last); }
constexpr Store N(uint8_t first, uint8_t last = 0) { return S(kSurname, first, last); }

constexpr Other K = kKeep;
constexpr Other E = kEmpty;
constexpr Other A = kEmptyAb;

// ---------------------------------------------------------------------------
// Surname first: "Smith, John J. Jr." (the surname is stored before the
// readings, which read the words after the comma). Rows in test order.
inline constexpr Reading kCanonicalReadings[] = {
    //  w  bit     code     n  stores                                    s  g  i  q
    {1, 0x0040, 0x004A, 1, {G(1)}, {K, K, A, A}},
    {1, 0x0010, 0x001A, 1, {I(1, kDotComplete)}, {K, E, K, A}},
    {1, 0x0020, 0x802A, 1, {Q(1)}, {K, E, E, K}},
    {2, 0x0080, 0x008B, 2, {I(2, kDotComplete), G(1)}, {K, K, K, A}},
    {2, 0x0020, 0x002B, 2, {Q(2), G(1)}, {K, K, E, K}},
    {2, 0x0040, 0x004B, 2, {I(1, kDotYes), Q(2)}, {K, E, K, K}},
    {2, 0x0010, 0x001B, 1, {G(1, 2)}, {K, K, A, A}},
    {3, 0x0040, 0x004C, 3, {I(2, kDotYes), Q(3), G(1)}, {K, K, K, K}},
    {3, 0x0010, 0x001C, 2, {I(3, kDotComplete), G(1, 2)}, {K, K, K, A}},
    {3, 0x0020, 0x002C, 2, {Q(3), G(1, 2)}, {K, K, E, K}},
    {4, 0x0010, 0x001D, 3, {I(3, kDotYes), Q(4), G(1, 2)}, {K, K, K, K}},
};

inline constexpr FirstRule kCanonicalFirst[] = {
    // words probed  again   fallback variant keeps
    {1, 0x0010, 0, 0x0040, false, false},
    {2, 0x0040, 0, 0x0080, false, false},
    {3, 0, 0, 0x0040, false, false},
    {4, 0, 0, 0x0010, false, false},
};

// ---------------------------------------------------------------------------
// Natural order: "John J. Smith Jr.". Rows in test order.
inline constexpr Reading kNonCanonicalReadings[] = {
    //  w  bit     code     n  stores                                          s  g  i  q
    {1, 0x0010, 0x0011, 1, {I(1, kDotComplete)}, {A, E, K, A}},
    {1, 0x0020, 0x0021, 1, {N(1)}, {K, E, E, A}},
    {1, 0x0080, 0x0081, 1, {G(1)}, {A, K, A, A}},
    {1, 0x0040, 0x8041, 1, {Q(1)}, {A, A, A, K}},
    {2, 0x0010, 0x0012, 2, {G(1), N(2)}, {K, K, E, A}},
    {2, 0x0800, 0x0802, 2, {I(2, kDotComplete), G(1)}, {A, K, K, A}},
    {2, 0x0080, 0x0082, 2, {I(1, kDotYes), N(2)}, {K, E, K, A}},
    {2, 0x0040, 0x0042, 1, {G(1, 2)}, {A, K, A, A}},
    {2, 0x0200, 0x0202, 2, {Q(2), N(1)}, {K, E, E, K}},
    {2, 0x0020, 0x8022, 2, {Q(2), G(1)}, {E, K, E, K}},
    {2, 0x0400, 0x0402, 1, {N(1, 2)}, {K, E, E, A}},
    {2, 0x0100, 0x8102, 2, {I(1, kDotYes), Q(2)}, {E, E, K, K}},
    {3, 0x4000, 0x4003, 3, {I(2, kDotYes), G(1), N(3)}, {K, K, K, A}},
    {3, 0x0020, 0x0023, 3, {Q(3), G(1), N(2)}, {K, K, E, K}},
    {3, 0x0800, 0x0803, 2, {I(1, kDotYes), N(2, 3)}, {K, E, K, A}},
    {3, 0x0400, 0x0403, 3, {I(1, kDotYes), Q(3), N(2)}, {K, E, K, K}},
    {3, 0x0010, 0x0013, 2, {N(2, 3), G(1)}, {K, K, E, A}},
    {3, 0x0080, 0x0083, 2, {I(3, kDotComplete), G(1, 2)}, {A, K, K, A}},
    {3, 0x0100, 0x0103, 2, {G(1, 2), N(3)}, {K, K, E, A}},
    {3, 0x1000, 0x1003, 1, {N(1, 3)}, {K, E, E, A}},
    {3, 0x0040, 0x8043, 3, {I(2, kDotYes), Q(3), G(1)}, {E, K, K, K}},
    {3, 0x0200, 0x8203, 2, {Q(3), G(1, 2)}, {E, K, E, K}},
    {3, 0x2000, 0xA003, 2, {Q(3), N(1, 2)}, {K, E, E, K}},
    {4, 0x4000, 0x4004, 4, {I(2, kDotYes), Q(4), G(1), N(3)}, {K, K, K, K}},
    {4, 0x0010, 0x0014, 3, {I(2, kDotYes), N(3, 4), G(1)}, {K, K, K, A}},
    {4, 0x0800, 0x0804, 3, {I(1, kDotYes), Q(4), N(2, 3)}, {K, E, K, K}},
    {4, 0x0020, 0x0024, 2, {N(2, 4), G(1)}, {K, K, E, A}},
    {4, 0x0080, 0x0084, 3, {I(3, kDotYes), G(1, 2), N(4)}, {K, K, K, A}},
    {4, 0x0100, 0x8104, 3, {I(3, kDotYes), Q(4), G(1, 2)}, {E, K, K, K}},
    {4, 0x0200, 0x0204, 3, {Q(4), G(1, 2), N(3)}, {K, K, E, K}},
    {4, 0x0400, 0x0404, 2, {G(1, 2), N(3, 4)}, {K, K, E, A}},
    {4, 0x1000, 0x1004, 2, {I(1, kDotYes), N(2, 4)}, {K, E, K, A}},
    {4, 0x2000, 0xA004, 2, {Q(4), N(1, 3)}, {K, E, E, K}},
    {4, 0x0040, 0x0044, 3, {Q(4), N(2, 3), G(1)}, {K, K, E, K}},
    {5, 0x0400, 0x0405, 4, {I(2, kDotYes), Q(5), N(3, 4), G(1)}, {K, K, K, K}},
    {5, 0x0010, 0x0015, 3, {I(2, kDotYes), N(3, 5), G(1)}, {K, K, K, A}},
    {5, 0x0040, 0x0045, 4, {I(3, kDotYes), Q(5), G(1, 2), N(4)}, {K, K, K, K}},
    {5, 0x0020, 0x0025, 3, {I(3, kDotYes), G(1, 2), N(4, 5)}, {K, K, K, A}},
    {5, 0x0100, 0x0105, 3, {Q(5), N(3, 4), G(1, 2)}, {K, K, E, K}},
    {5, 0x0200, 0x0205, 3, {I(1, kDotYes), Q(5), N(2, 4)}, {K, E, K, K}},
    {5, 0x0080, 0x0085, 2, {N(3, 5), G(1, 2)}, {K, K, E, A}},
    {6, 0x0020, 0x0026, 4, {I(3, kDotYes), Q(6), G(1, 2), N(4, 5)}, {K, K, K, K}},
    {6, 0x0010, 0x0016, 3, {I(3, kDotYes), N(4, 6), G(1, 2)}, {K, K, K, A}},
    {6, 0x0080, 0x0086, 4, {I(2, kDotYes), Q(6), N(3, 5), G(1)}, {K, K, K, K}},
    {6, 0x0040, 0x0046, 3, {Q(6), N(3, 5), G(1, 2)}, {K, K, E, K}},
    {7, 0x0010, 0x0017, 4, {I(3, kDotYes), Q(7), G(1, 2), N(4, 6)}, {K, K, K, K}},
    // The one-word fallback of the first call: w1 as surname, the other
    // parts present but empty only when the token is complete. Not in any
    // test order (its bit is 0).
    {1, 0x0000, 0x0021, 1, {N(1)}, {K, A, A, A}},
};

inline constexpr FirstRule kNonCanonicalFirst[] = {
    // words probed  again   fallback variant keeps
    {1, 0x0010, 0, 0x0020, true, false},
    {2, 0x0080, 0x0800, 0x0010, false, false},
    {3, 0, 0, 0x4000, false, false},
    {4, 0, 0, 0x4000, false, false},
    {5, 0, 0, 0x0400, false, false},
    {6, 0, 0, 0x0080, false, false},
    {7, 0, 0, 0x0010, false, true},
};

// ---------------------------------------------------------------------------
// What follows from the tables.

// The nameShape code of a reading is its bit and a word-count digit (the
// canonical parser counts from 10: 1 word is 0xA), with 0x8000 marking
// readings of its own; the one-word fallback of the first call has no bit
// of its own and shows that of "w1 as surname".
template <size_t N>
constexpr bool CodesFollowTheBits(const Reading (&readings)[N], int firstDigit) noexcept {
  for (const Reading& r : readings) {
    if ((r.code & 0xF) != firstDigit + r.words - 1) return false;
    if (r.bit != 0 && (r.code & 0x7FF0) != r.bit) return false;
  }
  return true;
}
static_assert(CodesFollowTheBits(kCanonicalReadings, 0xA));
static_assert(CodesFollowTheBits(kNonCanonicalReadings, 0x1));

// Every reading of a word count has its own bit.
template <size_t N>
constexpr bool BitsAreDistinct(const Reading (&readings)[N]) noexcept {
  for (size_t i = 0; i < N; ++i)
    for (size_t j = i + 1; j < N; ++j)
      if (readings[i].words == readings[j].words && readings[i].bit != 0 && readings[i].bit == readings[j].bit)
        return false;
  return true;
}
static_assert(BitsAreDistinct(kCanonicalReadings) && BitsAreDistinct(kNonCanonicalReadings));

}  // namespace hvcn::parse
