// Inputs longer than 2^31 or 2^32 bytes: the rows of regressions.txt of the
// kind huge. Each builds its text in one block of memory (UNIT repeated
// COUNT times, then TAIL) and hands it to an export:
//
//   validate   the four class checks and hvcnValidateAttribute with the
//              class number String, ARGUMENT the maximum -> their five
//              answers, blank-separated
//   gsetb      hvcnIsGSETBInternetName -> its answer
//
// The block takes as much memory as the longest text (about 4 GiB); where
// it cannot be had (a 32-bit build, a small machine) the test is skipped
// and says so. CTest runs this program alone (label huge).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <new>
#include <string>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "hvcn.h"
#include "support/golden.h"

namespace hvcn::test {
namespace {

// One block of memory for every text, as large as the longest.
class Block {
 public:
  explicit Block(uint64_t size) {
    if (size > std::numeric_limits<size_t>::max()) return;
    size_ = static_cast<size_t>(size);
#if defined(__linux__)
    // Straight from the system, in large pages where it gives them: filling
    // 4 GiB page by page costs seconds.
    void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return;
    madvise(p, size_, MADV_HUGEPAGE);
    data_ = static_cast<char*>(p);
#else
    data_ = new (std::nothrow) char[size_];
#endif
  }
  ~Block() {
#if defined(__linux__)
    if (data_) munmap(data_, size_);
#else
    delete[] data_;
#endif
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  char* data() const { return data_; }

  // unit x count, then tail and a NUL; the same text is not built twice.
  const char* Text(const std::string& unit, uint64_t count, const std::string& tail) {
    const std::string key = unit + '\0' + std::to_string(count) + '\0' + tail;
    if (key == built_) return data_;
    const size_t body = unit.size() * static_cast<size_t>(count);
    if (unit.size() == 1) {
      std::memset(data_, unit[0], body);
    } else if (body > 0) {
      std::memcpy(data_, unit.data(), unit.size());
      for (size_t done = unit.size(); done < body;) {  // doubling copies
        const size_t n = done < body - done ? done : body - done;
        std::memcpy(data_ + done, data_, n);
        done += n;
      }
    }
    std::memcpy(data_ + body, tail.c_str(), tail.size() + 1);
    built_ = key;
    return data_;
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  std::string built_;
};

uint64_t Count(const GoldenCase& c) { return std::stoull(c[2]); }

uint64_t BytesOf(const GoldenCase& c) { return c[1].size() * Count(c) + c[3].size() + 1; }

std::vector<std::string> Call(Block& block, const GoldenCase& c) {
  const auto started = std::chrono::steady_clock::now();
  const char* text = block.Text(c[1], Count(c), c[3]);
  std::string answer;
  if (c[0] == "validate") {
    const int32_t maximum = Int(c[4]);
    int32_t flag = 0;
    for (const int32_t status : {hvcnValidateNString(text, maximum), hvcnValidatePString(text, maximum),
                                 hvcnValidateString(text, maximum, &flag),
                                 hvcnValidateTeletexOrPString(text, maximum, &flag),
                                 hvcnValidateAttribute(text, maximum, hvcnCLASS_STRING)})
      answer += (answer.empty() ? "" : " ") + std::to_string(status);
  } else if (c[0] == "gsetb") {
    answer = std::to_string(hvcnIsGSETBInternetName(text));
  } else {
    throw std::invalid_argument("unknown call " + c[0]);
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  std::printf("%s: %s over %llu bytes in %.1f s\n", c.Where().c_str(), c[0].c_str(),
              static_cast<unsigned long long>(BytesOf(c)), took.count());
  return {answer};
}

TEST(HugeInputs, Regressions) {
  uint64_t largest = 0;
  for (const GoldenCase& row : ReadGolden("regressions.txt")) {
    if (row[1] != "huge") continue;
    GoldenCase c = row;
    c.fields.erase(c.fields.begin(), c.fields.begin() + 2);
    largest = std::max(largest, BytesOf(c));
  }
  ASSERT_GT(largest, 0u) << "regressions.txt has no rows of the kind huge";
  Block block(largest);
  if (!block.data())
    GTEST_SKIP() << "cannot have " << largest << " bytes of memory here: the inputs over 2 GiB are not tried";
  const RowHandler huge = [&](const GoldenCase& c) { return Call(block, c); };
  const RowHandler other = [](const GoldenCase&) { return std::vector<std::string>(); };
  RunRegressions([&](const std::string& kind) { return kind == "huge" ? &huge : &other; });
}

}  // namespace
}  // namespace hvcn::test
