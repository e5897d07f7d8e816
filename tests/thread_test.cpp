// Threads: several threads, each with its own formats, run every golden
// file and script through the exports at full speed (support/kinds.h), each
// starting with another file, while another thread keeps setting the
// process-wide wildcard and X.400 tag names (to their own values). Each run
// must give the digest a lone thread gets; under ThreadSanitizer (the tsan preset) no data race may
// be reported. The test runs twice: with tracing off, and with every trace
// level on (HVCN_TEST_TRACED=1 and a TNUAL.INI that says so), where every
// line of the shared log must also come out whole.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hvcn.h"
#include "support/environment.h"
#include "support/files.h"
#include "support/kinds.h"

namespace {

bool Traced() {
  const char* traced = std::getenv("HVCN_TEST_TRACED");
  return traced && *traced == '1';
}

// The first test of the program: the threads' first calls are the process's
// first format initialisations, which fill the shared defaults.
TEST(Threads, FormatsOnDifferentThreadsGiveTheDigestsOfALoneThread) {
  // Traced, every call writes its lines (dumps of the format included).
  const int runs = Traced() ? 1 : 50;
  const size_t workers = Traced() ? 2 : 4;
  const hvcn::test::Corpus corpus;
  std::vector<std::vector<uint64_t>> digests(workers);
  std::atomic<size_t> waiting{workers + 1};
  std::atomic<bool> done{false};
  auto start = [&] {
    waiting.fetch_sub(1);
    while (waiting.load() > 0) std::this_thread::yield();
  };
  std::vector<std::thread> threads;
  for (size_t i = 0; i < workers; ++i)
    threads.emplace_back([&, i] {
      start();
      for (int r = 0; r < runs; ++r) digests[i].push_back(corpus.Run(i));
    });
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
  for (size_t i = 0; i < workers; ++i) {
    uint64_t calls = 0;
    const uint64_t alone = corpus.Run(i, &calls);
    EXPECT_GT(calls, 3000u);
    ASSERT_EQ(digests[i].size(), static_cast<size_t>(runs));
    for (int r = 0; r < runs; ++r) EXPECT_EQ(digests[i][r], alone) << "thread " << i << " run " << r;
  }
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

#if !defined(_WIN32)
// Formats initialised with the configured default format string on several
// threads while the profile keeps changing under them (a new file renamed
// into place each time): every initialisation reads one whole profile or
// the other, and the profile's text kept in memory (posix) is shared
// without a race. Last, a profile that stays as it is is the one read.
TEST(Threads, DefaultFormatsWhileTheProfileChanges) {
  const std::string kFormats[] = {"%(CANON)%(EFA)%(X400)", "%(NONCANON)/%(X400)"};
  const hvcn::test::TempDir dir;
  const std::string profile = dir / "TNUAL.INI";
  const auto write = [&](int which) {
    const std::string next = dir.Write("next.ini", "[NameParsing]\nDefaultFormat=" + kFormats[which] + "\n");
    ASSERT_EQ(std::rename(next.c_str(), profile.c_str()), 0);
  };
  write(0);
  // Set before the threads start, put back after they end: the library
  // reads the variable at each lookup.
  const hvcn::test::ScopedEnv folder("HVCN_PROFILE_DIR", dir.path().c_str());
  std::atomic<bool> done{false};
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i)
    readers.emplace_back([&] {
      auto f = std::make_unique<hvcnFormat>();
      for (int n = 0; n < (Traced() ? 200 : 3000) && !::testing::Test::HasFailure(); ++n) {
        ASSERT_EQ(hvcnParseFormatString(nullptr, f.get()), hvcnSUCCESS);
        const std::string read = f->formatString;
        EXPECT_TRUE(read == kFormats[0] || read == kFormats[1]) << read;
      }
    });
  std::thread writer([&] {
    for (int n = 0; !done.load(); ++n) {
      write(n % 2);
      std::this_thread::yield();
    }
  });
  for (auto& t : readers) t.join();
  done.store(true);
  writer.join();
  write(1);
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnParseFormatString(nullptr, f.get()), hvcnSUCCESS);
  EXPECT_STREQ(f->formatString, kFormats[1].c_str());
}
#endif

}  // namespace
