// Inputs no golden row can hold, run alone (RUN_SERIAL): texts longer than
// 4 GiB through the O/R address exports, whose lengths and offsets are 32
// bits; and the cost of a mapping table's look-ups against its size.
//
// The 4 GiB cases need a block of 4 GiB and 16 bytes; where it cannot be
// allocated (a 32-bit process, a machine without the memory) they are
// skipped, saying so. On the CI machine's kind they take about 15 s.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hvcn.h"

namespace {

constexpr uint64_t kHuge = (uint64_t{1} << 32) + 8;  // bytes of the long text, before its tail

struct Freed {
  void operator()(char* p) const { std::free(p); }
};

// 'a' x kHuge followed by `tail` and a NUL; null when it cannot be had.
std::unique_ptr<char, Freed> HugeText(const char* tail) {
  if constexpr (sizeof(size_t) < 8) return nullptr;
  const size_t tailLength = std::strlen(tail);
  std::unique_ptr<char, Freed> text(static_cast<char*>(std::malloc(static_cast<size_t>(kHuge) + tailLength + 1)));
  if (!text) return nullptr;
  std::memset(text.get(), 'a', static_cast<size_t>(kHuge));
  std::memcpy(text.get() + kHuge, tail, tailLength + 1);
  return text;
}

#define HUGE_OR_SKIP(name, tail)                                                                   \
  const auto name = HugeText(tail);                                                                \
  if (!name) GTEST_SKIP() << "skipped: a block of 4 GiB cannot be allocated in this process " \
                             "(a 32-bit process, or a machine without the memory)"

std::unique_ptr<hvcnFormat> Ready() {
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnParseFormatString(nullptr, f.get()), hvcnSUCCESS);
  return f;
}

// A table over 4 GiB is refused with 17 in the sizing call and in the
// writing call, and nothing is written.
TEST(Big, TableOver4GiBIsRefusedWithNothingWritten) {
  HUGE_OR_SKIP(text, "#C=US#");
  uint32_t needed = 7, line = 7;
  EXPECT_EQ(hvcnParseORTable(text.get(), nullptr, 0, &needed, &line), hvcnERR_NAME_TOO_LONG);
  EXPECT_EQ(needed, 0u);
  std::vector<uint8_t> table(256, 0x5A);
  EXPECT_EQ(hvcnParseORTable(text.get(), table.data(), 106, &needed, &line), hvcnERR_NAME_TOO_LONG);
  EXPECT_EQ(table, std::vector<uint8_t>(256, 0x5A)) << "nothing is written";
}

// The other exports that take a text of any length: a gateway of 4 GiB is
// a domain, but an address through it cannot be written (17, its size does
// not fit a uint32_t); an address of 4 GiB is too long to read.
TEST(Big, LongTextsThroughTheOtherExports) {
  HUGE_OR_SKIP(text, "");
  EXPECT_EQ(hvcnCheckGatewayDomain(text.get()), hvcnSUCCESS);
  auto f = Ready();
  EXPECT_EQ(hvcnParseORAddress(text.get(), f.get(), 0), hvcnERR_NAME_TOO_LONG);
  EXPECT_EQ(hvcnRFC822ToORAddress(text.get(), f.get(), "gw.example", nullptr, 0), hvcnERR_NAME_TOO_LONG);
  ASSERT_EQ(hvcnParseORAddress("/S=x/C=US/", f.get(), 0), hvcnSUCCESS);
  char buffer[64];
  std::memset(buffer, 0x5A, sizeof buffer);
  uint32_t needed = 7;
  EXPECT_EQ(hvcnORAddressToRFC822(f.get(), text.get(), nullptr, 0, buffer, 32, &needed, 0), hvcnERR_NAME_TOO_LONG);
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(buffer[0], '\0');
  for (size_t i = 32; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0x5A) << "written past the size at " << i;
}

// A table of n rows: domain rN.example for the levels C=US, ADMD=aN.
std::vector<uint8_t> Table(uint32_t rows) {
  std::string text;
  for (uint32_t i = 0; i < rows; ++i)
    text += "r" + std::to_string(i) + ".example#C=US$ADMD=a" + std::to_string(i) + "$PRMD=p#\n";
  uint32_t needed = 0, line = 0;
  EXPECT_EQ(hvcnParseORTable(text.c_str(), nullptr, 0, &needed, &line), hvcnERR_BUFFER_TOO_SMALL);
  std::vector<uint8_t> table(needed);
  EXPECT_EQ(hvcnParseORTable(text.c_str(), table.data(), needed, &needed, &line), hvcnSUCCESS);
  return table;
}

// Seconds a look-up takes both ways in a table of n rows (a spread of rows).
double LookUpSeconds(uint32_t rows, int lookUps) {
  const std::vector<uint8_t> table = Table(rows);
  auto f = Ready();
  char out[128];
  const auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < lookUps; ++k) {
    const std::string n = std::to_string(static_cast<uint32_t>(k) * 7919u % rows);
    const std::string address = "x@r" + n + ".example";
    EXPECT_EQ(hvcnRFC822ToORAddress(address.c_str(), f.get(), nullptr, table.data(), static_cast<uint32_t>(table.size())),
              hvcnSUCCESS);
    EXPECT_EQ(hvcnORAddressToRFC822(f.get(), nullptr, table.data(), static_cast<uint32_t>(table.size()), out, sizeof out,
                                    nullptr, 0),
              hvcnSUCCESS);
    EXPECT_EQ(out, "x@r" + n + ".example");
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / lookUps;
}

// A table is checked once, when it is read: a look-up in 128 times the rows
// costs a few comparisons more, not 128 times as much (a scan of every row
// would). Measured on the same machine in the same run, so the ratio holds
// under sanitizers and emulators too.
TEST(Big, TableLookUpsGrowWithTheLogarithmOfTheRows) {
  constexpr int kLookUps = 4000;
  const double small = LookUpSeconds(1000, kLookUps);
  const double large = LookUpSeconds(128000, kLookUps);
  std::printf("a look-up both ways: %.2f us with 1,000 rows, %.2f us with 128,000 rows\n", small * 1e6, large * 1e6);
  EXPECT_LT(large, small * 8) << "a look-up grows with the table faster than its logarithm";
}

}  // namespace
