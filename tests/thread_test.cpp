// Threads: several threads, each with its own format, run every export over
// the golden corpus at full speed, while another thread keeps setting the
// process-wide wildcard (to its own value). Each run must give the digest a
// lone thread gets; under ThreadSanitizer (the tsan preset) no data race may
// be reported. The test runs twice: with tracing off, and with every trace
// level on (HVCN_TEST_TRACED=1 and a TNUAL.INI that says so), where every
// line of the shared log must also come out whole.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hvcn.h"
#include "support/workload.h"

namespace {

using hvcn::test::Workload;

bool Traced() {
  const char* traced = std::getenv("HVCN_TEST_TRACED");
  return traced && *traced == '1';
}

constexpr int kWorkers = 4;
constexpr int kVariants = 2;  // two threads per variant, so equal work meets

// The first test of the program: the threads' first calls are the process's
// first format initialisations, which fill the shared defaults.
TEST(Threads, FormatsOnDifferentThreadsGiveTheDigestsOfALoneThread) {
  const int runs = Traced() ? 2 : 200;
  std::vector<std::unique_ptr<Workload>> loads;
  std::vector<std::unique_ptr<hvcnFormat>> formats;
  for (int i = 0; i < kWorkers; ++i) {
    loads.push_back(std::make_unique<Workload>(i % kVariants));
    formats.push_back(std::make_unique<hvcnFormat>());
  }
  std::vector<std::vector<uint64_t>> digests(kWorkers);
  for (auto& d : digests) d.reserve(static_cast<size_t>(runs));

  std::atomic<int> waiting{kWorkers + 1};
  std::atomic<bool> done{false};
  auto start = [&] {
    waiting.fetch_sub(1);
    while (waiting.load() > 0) std::this_thread::yield();
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < kWorkers; ++i) {
    threads.emplace_back([&, i] {
      start();
      for (int r = 0; r < runs; ++r) digests[static_cast<size_t>(i)].push_back(loads[static_cast<size_t>(i)]->Run(formats[static_cast<size_t>(i)].get()));
    });
  }
  // The wildcard is process-wide: setting it (to the character it has)
  // while the others read it must not race.
  std::thread setter([&] {
    auto f = std::make_unique<hvcnFormat>();
    start();
    ASSERT_EQ(hvcnParseFormatString("%(CANON)", f.get()), hvcnSUCCESS);
    const char star = '*';
    while (!done.load()) {
      EXPECT_EQ(hvcnSetFormatInfo(f.get(), &star, hvcnINFO_WILDCARD_CHAR), hvcnSUCCESS);
      std::this_thread::yield();
    }
  });
  for (auto& t : threads) t.join();
  done.store(true);
  setter.join();

  // The same work alone, after the threads.
  for (int i = 0; i < kWorkers; ++i) {
    Workload alone(i % kVariants);
    auto f = std::make_unique<hvcnFormat>();
    const uint64_t expected = alone.Run(f.get());
    EXPECT_GT(alone.CallsPerRun(), 1000u);
    ASSERT_EQ(digests[static_cast<size_t>(i)].size(), static_cast<size_t>(runs));
    for (int r = 0; r < runs; ++r)
      EXPECT_EQ(digests[static_cast<size_t>(i)][static_cast<size_t>(r)], expected) << "thread " << i << " run " << r;
  }
  // The two variants do different work.
  EXPECT_NE(digests[0][0], digests[1][0]);
}

// With tracing on, the threads' lines share one log: each must be whole.
TEST(Threads, TraceLinesOfThreadsComeOutWhole) {
  if (!Traced()) GTEST_SKIP() << "tracing is off in this run";
  const char* folder = std::getenv("HVCN_PROFILE_DIR");
  ASSERT_NE(folder, nullptr);
  std::ifstream log(std::string(folder) + "/tnname.log", std::ios::binary);
  ASSERT_TRUE(log) << "no trace log: was the profile read?";
  const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  size_t lines = 0, entries = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    ++lines;
    // "%08X T+%06ld <13-character tag> <text>"
    ASSERT_GE(line.size(), 8u + 3 + 6 + 1 + 13) << "line " << lines;
    EXPECT_EQ(line.substr(8, 3), " T+") << "line " << lines << ": " << line.substr(0, 40);
    EXPECT_EQ(line.find_first_not_of("0123456789ABCDEF"), 8u) << "line " << lines << ": " << line.substr(0, 40);
    if (line.compare(18, 13, "API_ENTRY____") == 0) ++entries;
  }
  EXPECT_GT(entries, 1000u);
}

}  // namespace
