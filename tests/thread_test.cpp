// Threads: several threads, each with its own format, run every export over
// the golden corpus at full speed, while another thread keeps setting the
// process-wide wildcard and X.400 tag names (to their own values). Each run must give the digest a
// lone thread gets; under ThreadSanitizer (the tsan preset) no data race may
// be reported. The test runs twice: with tracing off, and with every trace
// level on (HVCN_TEST_TRACED=1 and a TNUAL.INI that says so), where every
// line of the shared log must also come out whole.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hvcn.h"
#include "support/files.h"
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
  // The wildcard and the X.400 tag names are process-wide: setting them (to
  // what they are) while the others read them must not race.
  std::thread setter([&] {
    auto f = std::make_unique<hvcnFormat>();
    start();
    ASSERT_EQ(hvcnParseFormatString("%(CANON)", f.get()), hvcnSUCCESS);
    const char star = '*';
    const hvcnTagNameInfo tags[] = {{hvcnATT_SURNAME, "s"}, {hvcnATT_DDAT1, "dd."}, {hvcnATT_ORGANIZATION, "o"}};
    for (unsigned n = 0; !done.load(); ++n) {
      EXPECT_EQ(hvcnSetFormatInfo(f.get(), &star, hvcnINFO_WILDCARD_CHAR), hvcnSUCCESS);
      EXPECT_EQ(hvcnSetFormatInfo(f.get(), &tags[n % std::size(tags)], hvcnINFO_TAG_NAME), hvcnSUCCESS);
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

// With tracing on, the threads' lines share one log: each must be whole
// (ReadLog fails the test on any line without CR LF or the line prefix).
TEST(Threads, TraceLinesOfThreadsComeOutWhole) {
  if (!Traced()) GTEST_SKIP() << "tracing is off in this run";
  const char* folder = std::getenv("HVCN_PROFILE_DIR");
  ASSERT_NE(folder, nullptr);
  const auto lines = hvcn::test::ReadLog(std::string(folder) + "/tnname.log");
  EXPECT_GT(hvcn::test::LogTexts(lines, "API_ENTRY____").size(), 1000u) << "was the profile read?";
}

}  // namespace
