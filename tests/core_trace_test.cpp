// The trace log: line layout, levels, dumps, the export frame.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

#include "core/frame.h"
#include "core/platform/os.h"
#include "core/text_format.h"
#include "core/trace.h"
#include "support/platform.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {

TEST(TraceLog, LineLayout) {
  test::TraceCapture capture(0);
  trace::Line(trace::tag::kError, "Format pointer is NULL");
  trace::WriteLine(trace::tag::kData, nullptr);
  auto lines = capture.Lines();
  ASSERT_EQ(lines.size(), 2u);
  char pid[16];
  FormatText(pid, sizeof pid, "%08X", os::ProcessId());
  EXPECT_EQ(lines[0].pid, pid);
  EXPECT_EQ(lines[0].tag, "ERROR________");
  EXPECT_EQ(lines[0].text, "Format pointer is NULL");
  EXPECT_EQ(lines[1].text, "<NULL>");
  // The raw bytes: one blank after the tag, CR LF at the end.
  std::string raw = test::ReadFile(capture.dir() / "trace.log");
  EXPECT_NE(raw.find(" ERROR________ Format pointer is NULL\r\n"), std::string::npos);
}

TEST(TraceLog, LevelBitsChooseTheLines) {
  test::TraceCapture capture(0x0020 | 0x0100);
  trace::If(trace::kApi, trace::tag::kApiEntry, "api");
  trace::If(trace::kError, trace::tag::kError, "error %d", 1);
  trace::If(trace::kInfo, trace::tag::kInformation, "info");
  trace::If(trace::kData | trace::kInfo, trace::tag::kData, "data");
  EXPECT_EQ(capture.TaggedTexts(), (std::vector<std::string>{"ERROR________ error 1", "DATA_________ data"}));
}

TEST(TraceLog, AnUnwritableLogLosesTheLineSilently) {
  test::TraceCapture capture(0xFFFF);
  std::string missing = capture.dir() / "no-such-folder/trace.log";
  trace::SetLogFile(missing.c_str());
  trace::Line(trace::tag::kError, "lost");
  trace::DumpText("abc", 3, "lost too");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(TraceLog, TextDumpOf33CharactersIsTwoLines) {
  test::TraceCapture capture(0);
  const char text[] = "0123456789abcdefghijklmnopqrstuvw";
  trace::DumpText(text, 33, "Internal string");
  EXPECT_EQ(capture.Texts("DATA_________"),
            (std::vector<std::string>{"Start: Internal string ", " 01234567 89abcdef ghijklmn opqrstuv", " w",
                                      "End: Internal string "}));
}

TEST(TraceLog, TextDumpShowsControlsAsDotsAndFirstBytesOfCharacters) {
  test::TraceCapture capture(0);
  const char text[] = "Smith\x1DJohn\x1E\xC3\xA9!";
  trace::DumpText(text, sizeof text - 1, "RS list of attributes");
  auto texts = capture.Texts("DATA_________");
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1], " Smith.Jo hn.\xC3!");
}

TEST(TraceLog, FormatDump) {
  test::TraceCapture capture(0);
  static hvcnFormat format;
  std::memset(&format, 0, sizeof format);
  std::strcpy(format.formatString, "%(1)");
  std::strcpy(format.nameBuffer, "Smith");
  format.tokens[0].id = 1;
  format.tokens[0].valueLength = 5;
  format.tokens[0].trailSep = 0x2F;
  format.tokens[0].tokenFlags = 2;
  for (auto& a : format.attributes) a.valueLength = hvcnVALUE_ABSENT;
  format.attributes[0] = {0, 5, 1, "1"};
  format.attributes[80].valueLength = 0;  // a free record holding a value
  format.reconfigured[0] = -1;
  format.reconfigured[1] = 23;
  format.slashChar = '/';
  format.commaChar = '\t';
  format.flags = 0x21;
  trace::DumpFormat(&format);
  auto texts = capture.Texts("DATA_________");
  char start[64];
  FormatText(start, sizeof start, "START: Contents of format structure %Fp", static_cast<const void*>(&format));
  char end[64];
  FormatText(end, sizeof end, "END: Contents of format structure %Fp", static_cast<const void*>(&format));
  char token[128];
  FormatText(token, sizeof token, "hvcnToken[0]{%Fp, 0, 5, 00, 2f, 1, 0, 0002}", static_cast<const void*>(nullptr));
  const std::vector<std::string> expected = {
      start,
      "%(1)",
      "Smith",
      token,
      "hvcnAttribute[0]{0, 5, 1, '1'}",
      "hvcnAttribute{UNDEFINED}",
      "-1 (0xffffffff)",
      "23 (0x17)",
      "0 (0x0)",
      "0 (0x0)",
      "(char)'/'",
      "(char)0x 9",
      "",
      "33 (0x21)",
      end,
  };
  EXPECT_EQ(texts, expected);
}

TEST(ApiFrame, EntryStatusTextAndReturnLines) {
  test::TraceCapture capture(0x0001);
  {
    ApiFrame frame("hvcnSetFormatInfo", ApiFrame::ReturnLine::WithName, "hvcnSetFormatInfo(%Fp, %Fp, %u)",
                   static_cast<const void*>(nullptr), static_cast<const void*>(nullptr), 16u);
    frame.Finish(hvcnERR_FORMAT_NOT_READY);
  }
  {
    ApiFrame frame("hvcnParseFormatString", ApiFrame::ReturnLine::StatusOnly,
                   "hvcnParseFormatString(\"%s\", %Fp)", "%(CANON)", static_cast<const void*>(nullptr));
    frame.Finish(hvcnSUCCESS);
  }
  {
    ApiFrame frame("hvcnParseFormatString", ApiFrame::ReturnLine::StatusOnly,
                   "hvcnParseFormatString(\"%s\", %Fp)", static_cast<const char*>(nullptr),
                   static_cast<const void*>(nullptr));
    ApiFrame::Fault("Format pointer is NULL");
    frame.Abort(hvcnERR_BAD_PARAMETER);
  }
  std::string zeros(sizeof(void*) * 2, '0');
  const std::vector<std::string> expected = {
      "API_ENTRY____ hvcnSetFormatInfo(" + zeros + ", " + zeros + ", 16)",
      test::Native("API_ERROR____ La struttura di formato fornita non è pronta per l'uso."),
      "API_RETURN___ 9 (hvcnSetFormatInfo)",
      "API_ENTRY____ hvcnParseFormatString(\"%(CANON)\", " + zeros + ")",
      "API_RETURN___ 0",
      "API_ENTRY____ hvcnParseFormatString(\"<null>\", " + zeros + ")",
      "ERROR________ Format pointer is NULL",
      test::Native("API_ERROR____ Uno o più dei parametri non è valido."),
  };
  EXPECT_EQ(capture.TaggedTexts(), expected);
}

TEST(ApiFrame, UnconditionalFaultLinesAreWrittenAtLevelZero) {
  test::TraceCapture capture(0);
  ApiFrame frame("hvcnGetRSList", ApiFrame::ReturnLine::WithName, "hvcnGetRSList(%Fp, %Fp, %u)",
                 static_cast<const void*>(nullptr), static_cast<const void*>(nullptr), 0u);
  ApiFrame::Fault("Format ptr NULL or supplied buffer NULL or zero length");
  frame.Finish(hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(capture.TaggedTexts(),
            std::vector<std::string>{"ERROR________ Format ptr NULL or supplied buffer NULL or zero length"});
}

TEST(DetailRecorder, LoadsTheTextOrTheGeneralTextWithTheNumber) {
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
  constexpr int kThreads = 4;
  constexpr int kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      std::string text(1000 + t, static_cast<char>('a' + t));
      for (int i = 0; i < kLines; ++i) trace::Line(trace::tag::kData, "%s", text.c_str());
    });
  for (auto& thread : threads) thread.join();
  auto texts = capture.Texts("DATA_________");
  ASSERT_EQ(texts.size(), static_cast<size_t>(kThreads * kLines));
  for (const auto& text : texts) {
    ASSERT_GE(text.size(), 1000u);
    EXPECT_EQ(text, std::string(text.size(), text[0]));
  }
}

}  // namespace
}  // namespace hvcn
