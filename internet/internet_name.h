// Internet (RFC 822) mailboxes: the normaliser that removes comments and
// white space, the matcher of the mailbox grammar, and the two checks behind
// the exports. Nothing here allocates, traces or reads configuration.
#pragma once

#include <cstdint>

namespace hvcn {

// Comments nest without limit. A comment that never closes is no comment:
// its "(" and the "(" met after it are items, which the mailbox grammar
// never accepts. The normaliser decides each such "(" in constant time for
// up to this many levels left open; an unterminated comment that leaves
// more open fails the normalisation (the name is no mailbox either way).
inline constexpr int kTrackedOpenLevels = 64;

// Writes input to output item by item: quoted strings, domain literals and
// atoms whole, any other special as one character, blanks, tabs and comments
// dropped. With blanks, one blank separates two items unless the first ends
// in '@', '.' or '<' or the second is '@', '.' or '>'. Output needs room for
// twice the input's length plus the NUL; it is always terminated. False for
// a byte that belongs to no item (a control character other than tab, 0x7F,
// 0x80 and above) or an unterminated comment that leaves more than
// kTrackedOpenLevels levels open.
bool NormaliseInternetName(const char* input, char* output, bool withBlanks) noexcept;

// True when the whole of a normalised text without blanks is a mailbox:
// a bare address (local-part@domain), or (when none matches at its start) a phrase and a
// route-addr.
bool MatchMailbox(const char* text) noexcept;

// hvcnParseInternetName: 1 when name is an internet mailbox (output then
// holds the normalised text), else 0.
uint32_t ParseInternetName(const char* name, char* output) noexcept;

// hvcnIsGSETBInternetName: 1 when an internal type 2 name holds an internet
// address, else 0.
uint32_t IsGsEtbInternetName(const char* name) noexcept;

}  // namespace hvcn
