// The trace log: the bounded formatter behind every line, the line layout,
// levels, dumps and the writer under threads; then the trace lines of the
// exports, as scripts of calls and the lines they must write
// (tests/data/trace_*.txt) at any trace level.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "core/frame.h"
#include "core/platform/os.h"
#include "core/text_format.h"
#include "core/trace.h"
#include "support/platform.h"
#include "support/script.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {

template <typename... A>
std::string Fmt(const char* format, const A&... args) {
  char out[256];
  FormatText(out, sizeof out, format, args...);
  return out;
}

TEST(TextFormat, Conversions) {
  EXPECT_EQ(Fmt("%08X T+%06ld %s ", 0xA3Cu, 12L, "API_ENTRY____"), "00000A3C T+000012 API_ENTRY____ ");
  EXPECT_EQ(Fmt("%u", -1), "4294967295");  // an int read as unsigned 32-bit
  EXPECT_EQ(Fmt("%ld (0x%lx)", -1, -1), "-1 (0xffffffff)");
  EXPECT_EQ(Fmt("{%02x, %02x, %04x} (char)0x%2x (char)'%c'", 5, 0x2F, 2, 9, '/'), "{05, 2f, 0002} (char)0x 9 (char)'/'");
  EXPECT_EQ(Fmt("'%s' %%", nullptr), "'<null>' %");
  EXPECT_EQ(Fmt("[%5s|%-5s|%.2s]", "ab", "cd", "xyz"), "[   ab|cd   |xy]");
  EXPECT_EQ(Fmt("%+d % d %5d %-4d|", 7, 7, -42, 3), "+7  7   -42 3   |");
  // Pointers in the platform's width, upper case.
  const void* p = reinterpret_cast<const void*>(static_cast<uintptr_t>(0xABCDEF));
  EXPECT_EQ(Fmt("%Fp", p), std::string(sizeof(void*) * 2 - 6, '0') + "ABCDEF");
  // Missing or mismatched arguments print nothing harmful.
  EXPECT_EQ(Fmt("a%db%sc"), "abc");
  EXPECT_EQ(Fmt("%s", 42), "");
  EXPECT_EQ(Fmt("x%q", 1), "x%q");
  EXPECT_EQ(Fmt("tail %"), "tail %");
}

TEST(TextFormat, CutsToTheSizeAndAlwaysTerminates) {
  char out[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(FormatText(out, sizeof out, "%s", "abcdefgh"), 4u);
  EXPECT_STREQ(out, "abcd");
  EXPECT_EQ(FormatText(out, 0, "%s", "abc"), 0u);
  EXPECT_STREQ(out, "abcd");
  FormatText(out, 1, "abc");
  EXPECT_EQ(out[0], '\0');
}

TEST(TraceLog, LineLayoutAndLevels) {
  test::TraceCapture capture(0x0020 | 0x0100);
  trace::Line(trace::tag::kError, "Format pointer is NULL");
  trace::WriteLine(trace::tag::kData, nullptr);
  trace::If(trace::kApi, trace::tag::kApiEntry, "api");
  trace::If(trace::kInfo, trace::tag::kInformation, "info");
  trace::If(trace::kData | trace::kInfo, trace::tag::kData, "data %d", 1);
  auto lines = capture.Lines();
  EXPECT_EQ(test::TaggedTexts(lines), (std::vector<std::string>{"ERROR________ Format pointer is NULL",
                                                                 "DATA_________ <NULL>", "DATA_________ data 1"}));
  EXPECT_EQ(lines[0].pid, Fmt("%08X", os::ProcessId()));
  // The raw bytes: one blank after the tag, CR LF at the end.
  EXPECT_NE(test::ReadFile(capture.dir() / "trace.log").find(" ERROR________ Format pointer is NULL\r\n"),
            std::string::npos);
}

TEST(TraceLog, AnUnwritableLogLosesTheLineSilently) {
  test::TraceCapture capture(0xFFFF);
  std::string missing = capture.dir() / "no-such-folder/trace.log";
  trace::SetLogFile(missing.c_str());
  trace::Line(trace::tag::kError, "lost");
  trace::DumpText("abc", 3, "lost too");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(TraceLog, FormatDump) {
  test::TraceCapture capture(0);
  static hvcnFormat format;
  std::strcpy(format.formatString, "%(1)");
  std::strcpy(format.nameBuffer, "Smith");
  format.tokens[0] = {nullptr, 0, 5, 0, 0x2F, 1, 0, 2};
  for (auto& a : format.attributes) a.valueLength = hvcnVALUE_ABSENT;
  format.attributes[0] = {0, 5, 1, "1"};
  format.attributes[80].valueLength = 0;  // a free record holding a value
  format.reconfigured[0] = -1;
  format.reconfigured[1] = 23;
  format.slashChar = '/';
  format.commaChar = '\t';
  format.flags = 0x21;
  trace::DumpFormat(&format);
  const std::string at = Fmt("%Fp", static_cast<const void*>(&format));
  EXPECT_EQ(capture.Texts("DATA_________"),
            (std::vector<std::string>{"START: Contents of format structure " + at, "%(1)", "Smith",
                                      Fmt("hvcnToken[0]{%Fp, 0, 5, 00, 2f, 1, 0, 0002}", static_cast<const void*>(nullptr)),
                                      "hvcnAttribute[0]{0, 5, 1, '1'}", "hvcnAttribute{UNDEFINED}", "-1 (0xffffffff)",
                                      "23 (0x17)", "0 (0x0)", "0 (0x0)", "(char)'/'", "(char)0x 9", "", "33 (0x21)",
                                      "END: Contents of format structure " + at}));
}

TEST(TraceLog, DetailTextOrTheGeneralTextWithTheNumber) {
  static hvcnFormat format;
  RecordDetail(&format, 2003);
  EXPECT_EQ(format.errorDetail, test::Native("Non inserire parentesi di chiusura alla fine del nome token."));
  RecordDetail(&format, 2999);
  EXPECT_EQ(format.errorDetail, test::Native("Si è verificato un errore generale (2999)"));
  ClearDetail(&format);
  EXPECT_STREQ(format.errorDetail, "");
}

TEST(TraceLog, LinesFromManyThreadsArriveWhole) {
  test::TraceCapture capture(0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      const std::string text(1000 + t, static_cast<char>('a' + t));
      for (int i = 0; i < 200; ++i) trace::Line(trace::tag::kData, "%s", text.c_str());
    });
  for (auto& thread : threads) thread.join();
  const auto texts = capture.Texts("DATA_________");  // ReadLog fails a line that is not whole
  ASSERT_EQ(texts.size(), 800u);
  for (const auto& text : texts) EXPECT_EQ(text, std::string(text.size(), text[0]));
}

// The scripts, at the trace levels they ask for. This program's texts come
// from the library's own table (Italian), in the ANSI code page on Windows.
// The settings of the profile are read when the process's first format is
// readied, with lines of their own: before the scripts.
void RunTraceScript(const std::string& name) {
  auto first = std::make_unique<hvcnFormat>();
  hvcnParseFormatString("%(CANON)", first.get());
  std::optional<test::TraceCapture> capture;
  test::RunScript(name, {[&](uint16_t level) {
                           capture.reset();
                           capture.emplace(level);
                         },
                         [&] { capture.reset(); },
                         [&] { return capture ? capture->TaggedTexts() : std::vector<std::string>(); },
                         test::Native});
}

TEST(TraceScripts, FormatsAndSettings) { RunTraceScript("trace_formats.txt"); }
TEST(TraceScripts, Names) { RunTraceScript("trace_names.txt"); }

}  // namespace
}  // namespace hvcn
