// Internet names: hvcnParseInternetName and hvcnIsGSETBInternetName.
//
// Input: a selector (1 byte: even = typed mailbox, odd = type 2 name), then
// the name.
// Properties: answers are 1 or 0; the normalised mailbox fits the
// documented output size (twice the name's length and the NUL) and is
// terminated there; a normalised mailbox (without backslashes or
// unterminated quotes) is itself a mailbox and normalises to itself; a name with a byte of 0x80 or above is no mailbox; a type 2
// name holds an internet address only when it has all five groups; neither
// function reads past the name's terminator.
#include "fuzz_support.h"

using namespace hvcn::fuzz;

HVCN_FUZZ_TARGET(in) {
  const uint8_t which = in.Byte();
  const ExactText name(in.Rest());

  if (which & 1) {
    const uint32_t answer = hvcnIsGSETBInternetName(name.c_str());
    Check(answer == 0 || answer == 1, "hvcnIsGSETBInternetName answers 1 or 0");
    size_t groupEnds = 0;
    for (char c : name.view()) groupEnds += c == hvcnCHAR_ETB ? 1 : 0;
    if (answer == 1) Check(groupEnds >= 4, "an internet address lies in group 5");
    Check(hvcnIsGSETBInternetName(nullptr) == 0, "NULL is no name");
    return;
  }

  OutBuffer out(2 * name.size() + 1);
  const uint32_t answer = hvcnParseInternetName(name.c_str(), out.data());
  Check(answer == 0 || answer == 1, "hvcnParseInternetName answers 1 or 0");
  bool high = false;
  for (unsigned char c : name.view()) high = high || c >= 0x80;
  if (high) Check(answer == 0, "a byte of 0x80 or above makes no mailbox");
  if (answer == 0) return;

  Check(out.Terminated(), "the normalised mailbox is terminated within its size");
  const ExactText normalised(out.Text());
  Check(normalised.size() > 0, "a mailbox is not empty");
  // The blanks put between items can join a backslash or an unterminated
  // quoted string or domain literal with what follows when read again; for
  // every other mailbox the normalised text is a fixed point.
  size_t quotes = 0, opens = 0, closes = 0;
  for (char c : name.view()) {
    if (c == '\\') return;
    quotes += c == '"';
    opens += c == '[';
    closes += c == ']';
  }
  if (quotes % 2 != 0 || opens != closes) return;
  OutBuffer again(2 * normalised.size() + 1);
  Check(hvcnParseInternetName(normalised.c_str(), again.data()) == 1, "a normalised mailbox is a mailbox",
        normalised.view());
  Check(again.Text() == normalised.view(), "a normalised mailbox normalises to itself", again.Text());
}
