// hvcnGetErrorText and hvcnVersion through the shared library, with the
// English resource library that the build places beside it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "hvcn.h"
#include "support/files.h"

namespace {

constexpr char kGuard = '\x5A';

// Calls hvcnGetErrorText into a buffer of exactly `size` bytes followed by
// guard bytes, and checks the guards.
std::pair<int32_t, std::string> ErrorText(int32_t code, uint32_t size) {
  std::string buffer(size + 8, kGuard);
  int32_t status = hvcnGetErrorText(code, buffer.data(), size);
  for (size_t i = size; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], kGuard) << "wrote past the size";
  return {status, size ? std::string(buffer.c_str()) : std::string()};
}

TEST(GetErrorText, TextsStatusesAndSizes) {
  struct Case {
    int32_t code;
    uint32_t size;
    int32_t status;
    const char* text;
  };
  const Case kCases[] = {
      {0, 256, hvcnSUCCESS, "No problem was found."},
      {3, 256, hvcnSUCCESS, "One or more of the parameters is not valid."},
      {30, 256, hvcnSUCCESS, "The terminal type was not recognised."},
      {0, 5, hvcnSUCCESS, "No p"},
      {0, 22, hvcnSUCCESS, "No problem was found."},
      {0, 21, hvcnSUCCESS, "No problem was found"},
      {0, 2, hvcnSUCCESS, "N"},
      // One byte holds no character, so no text loads: the general text path.
      {0, 1, hvcnERR_UNKNOWN_ERROR_NUMBER, ""},
      {31, 256, hvcnERR_UNKNOWN_ERROR_NUMBER, "A general error occurred (31)"},
      {-1, 256, hvcnERR_UNKNOWN_ERROR_NUMBER, "A general error occurred (-1)"},
      {100, 256, hvcnERR_UNKNOWN_ERROR_NUMBER, "A general error occurred (100)"},
      {99, 256, hvcnERR_UNKNOWN_ERROR_NUMBER, "A general error occurred (99)"},
      {31, 10, hvcnERR_UNKNOWN_ERROR_NUMBER, "A general"},
      {31, 4, hvcnERR_UNKNOWN_ERROR_NUMBER, "A g"},
      {INT32_MIN, 64, hvcnERR_UNKNOWN_ERROR_NUMBER, "A general error occurred (-2147483648)"},
  };
  for (const auto& c : kCases) {
    auto [status, text] = ErrorText(c.code, c.size);
    EXPECT_EQ(status, c.status) << c.code << " size " << c.size;
    EXPECT_EQ(text, c.text) << c.code << " size " << c.size;
  }
}

TEST(GetErrorText, EveryCodeHasItsOwnText) {
  std::string previous;
  for (int32_t code = 0; code <= 30; ++code) {
    auto [status, text] = ErrorText(code, 512);
    EXPECT_EQ(status, hvcnSUCCESS) << code;
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text, previous) << code;
    EXPECT_EQ(text.find("general error"), std::string::npos) << code;
    previous = text;
  }
}

TEST(GetErrorText, NullOrEmptyBufferIsRefusedWithALineAtAnyLevel) {
  std::remove("tnname.log");
  EXPECT_EQ(hvcnGetErrorText(0, nullptr, 256), hvcnERR_BAD_PARAMETER);
  char buffer[4] = {'x', 'y', 'z', '\0'};
  EXPECT_EQ(hvcnGetErrorText(0, buffer, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_STREQ(buffer, "xyz");
  auto lines = hvcn::test::ReadLog("tnname.log");
  EXPECT_EQ(hvcn::test::LogTexts(lines, "ERROR________"),
            (std::vector<std::string>{"Supplied buffer NULL or zero length", "Supplied buffer NULL or zero length"}));
  EXPECT_EQ(lines.size(), 2u);
}

TEST(Startup, RunsOnceAndNotForEachNewThread) {
  // Start-up empties the log; run again when a thread starts, it would
  // delete the line written before.
  std::remove("tnname.log");
  EXPECT_EQ(hvcnGetErrorText(0, nullptr, 1), hvcnERR_BAD_PARAMETER);
  std::thread([] {}).join();
  EXPECT_EQ(hvcn::test::ReadLog("tnname.log").size(), 1u);
}

TEST(Version, TextAndInterfaceNumber) {
  char text[32];
  std::memset(text, kGuard, sizeof text);
  uint16_t interfaceNumber = 0;
  EXPECT_EQ(hvcnVersion(text, sizeof text, &interfaceNumber), hvcnSUCCESS);
  EXPECT_STREQ(text, "X.05.20.01");
  EXPECT_EQ(interfaceNumber, 104);

  char small[4 + 4];
  std::memset(small, kGuard, sizeof small);
  interfaceNumber = 0;
  EXPECT_EQ(hvcnVersion(small, 4, &interfaceNumber), hvcnSUCCESS);
  EXPECT_STREQ(small, "X.0");
  EXPECT_EQ(small[4], kGuard);
  EXPECT_EQ(interfaceNumber, 104);

  EXPECT_EQ(hvcnVersion(nullptr, 0, nullptr), hvcnSUCCESS);
  EXPECT_EQ(hvcnVersion(small, 0, nullptr), hvcnSUCCESS);  // size 0 writes nothing
  EXPECT_STREQ(small, "X.0");
  EXPECT_EQ(hvcnVersion(nullptr, 100, &interfaceNumber), hvcnSUCCESS);
}

}  // namespace
