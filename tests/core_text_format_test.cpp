// The bounded formatter behind every trace line.
#include <gtest/gtest.h>

#include <string>

#include "core/text_format.h"

namespace hvcn {
namespace {

template <typename... A>
std::string Fmt(const char* format, const A&... args) {
  char out[256];
  FormatText(out, sizeof out, format, args...);
  return out;
}

TEST(TextFormat, ConversionsOfTraceLines) {
  EXPECT_EQ(Fmt("%08X T+%06ld %s ", 0xA3Cu, 12L, "API_ENTRY____"), "00000A3C T+000012 API_ENTRY____ ");
  EXPECT_EQ(Fmt("%d (%s)", -3, "hvcnGetErrorText"), "-3 (hvcnGetErrorText)");
  EXPECT_EQ(Fmt("%u", -1), "4294967295");  // an int read as unsigned 32-bit
  EXPECT_EQ(Fmt("%ld (0x%lx)", -1, -1), "-1 (0xffffffff)");
  EXPECT_EQ(Fmt("{%02x, %02x, %04x}", 5, 0x2F, 2), "{05, 2f, 0002}");
  EXPECT_EQ(Fmt("(char)0x%2x", 9), "(char)0x 9");
  EXPECT_EQ(Fmt("(char)'%c'", '/'), "(char)'/'");
  EXPECT_EQ(Fmt("'%s' %%", nullptr), "'<null>' %");
  EXPECT_EQ(Fmt("[%5s|%-5s|%.2s]", "ab", "cd", "xyz"), "[   ab|cd   |xy]");
  EXPECT_EQ(Fmt("%+d % d %5d %-4d|", 7, 7, -42, 3), "+7  7   -42 3   |");
}

TEST(TextFormat, PointersUseThePlatformWidthInUpperCase) {
  const void* p = reinterpret_cast<const void*>(static_cast<uintptr_t>(0xABCDEF));
  std::string expected(sizeof(void*) * 2 - 6, '0');
  expected += "ABCDEF";
  EXPECT_EQ(Fmt("%Fp", p), expected);
  EXPECT_EQ(Fmt("%p", static_cast<const void*>(nullptr)), std::string(sizeof(void*) * 2, '0'));
}

TEST(TextFormat, MissingOrMismatchedArgumentsPrintNothingHarmful) {
  EXPECT_EQ(Fmt("a%db%sc"), "abc");
  EXPECT_EQ(Fmt("%s", 42), "");           // a number where text was expected
  EXPECT_EQ(Fmt("x%q", 1), "x%q");        // unknown conversion shown as written
  EXPECT_EQ(Fmt("tail %"), "tail %");
}

TEST(TextFormat, CutsToTheSizeAndAlwaysTerminates) {
  char out[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(FormatText(out, sizeof out, "%s", "abcdefgh"), 4u);
  EXPECT_STREQ(out, "abcd");
  char untouched[2] = {'x', 'y'};
  EXPECT_EQ(FormatText(untouched, 0, "%s", "abc"), 0u);
  EXPECT_EQ(untouched[0], 'x');
  char one[1] = {'x'};
  FormatText(one, 1, "abc");
  EXPECT_EQ(one[0], '\0');
}

}  // namespace
}  // namespace hvcn
