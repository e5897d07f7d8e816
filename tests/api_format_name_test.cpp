// hvcnFormatName through the shared library.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hvcn.h"
#include "support/golden.h"
#include "support/names.h"

namespace {

using namespace hvcn::test;

constexpr char kGuard = '\x5A';

uint16_t FormatFlags(const std::string& text) {
  uint16_t flags = 0;
  for (char c : text) {
    if (c == 'R') flags |= hvcnFN_REFORMAT;
    if (c == 'E') flags |= hvcnFN_ESCAPE;
  }
  return flags;
}

// Holds the name of a golden case in a new format, with its settings.
std::unique_ptr<hvcnFormat> Held(const GoldenCase& c) {
  auto f = Parsed(FormatArgument(c[1]));
  std::istringstream settings(c[5]);
  std::string setting;
  bool open = false;
  std::vector<std::string> after;
  while (std::getline(settings, setting, ',')) {
    if (setting == "open") open = true;
    else after.push_back(setting);
  }
  if (c[0] == "typed") {
    uint32_t context = 0;
    EXPECT_EQ(hvcnParseName(c[2].c_str(), f.get(), 0, nullptr, 0, &context, open ? 0 : hvcnPARSE_COMPLETE),
              hvcnSUCCESS);
  } else if (c[0] != "none") {
    EXPECT_EQ(hvcnTranslateInternalFormat(f.get(), std::stoi(c[0]), c[2].c_str(), 0, nullptr, 0, 0), hvcnSUCCESS);
  }
  const uint32_t on = 1;
  for (const std::string& s : after) {
    int32_t status = hvcnSUCCESS;
    if (s == "7bit") status = hvcnSetFormatInfo(f.get(), &on, hvcnINFO_7BIT_ONLY);
    else if (s == "outags") status = hvcnSetFormatInfo(f.get(), &on, hvcnINFO_OU_TAGS);
    else if (s == "personal") status = hvcnSetFormatInfo(f.get(), &on, hvcnINFO_X400_PERSONAL);
    else if (s == "noforeign") status = hvcnSetFormatInfo(f.get(), &on, hvcnINFO_NO_FOREIGN);
    else if (s == "noreconfig") status = hvcnSetFormatInfo(f.get(), &on, hvcnINFO_NO_RECONFIG);
    else if (s.rfind("mask=", 0) == 0) {
      const int32_t mask = std::stoi(s.substr(5));
      status = hvcnSetFormatInfo(f.get(), &mask, hvcnINFO_X400_MASK);
    } else if (s.rfind("reconf=", 0) == 0) status = hvcnSetFormatInfo(f.get(), s.c_str() + 7, hvcnINFO_RECONFIGURED);
    else if (s.rfind("escapes=", 0) == 0) status = hvcnSetFormatInfo(f.get(), s.c_str() + 8, hvcnINFO_ESCAPE_LIST);
    else ADD_FAILURE() << "unknown setting " << s;
    EXPECT_EQ(status, hvcnSUCCESS) << s;
  }
  if (c[3] != "-") {
    EXPECT_EQ(hvcnChangeOutputFormat(c[3].c_str(), f.get()), hvcnSUCCESS);
  }
  return f;
}

// Formats into exactly `size` bytes followed by guard bytes.
int32_t Format(hvcnFormat* f, uint32_t size, uint16_t flags, std::string* text, std::string* raw = nullptr) {
  std::string buffer(size + 8, kGuard);
  int32_t status = hvcnFormatName(f, buffer.data(), size, flags);
  EXPECT_EQ(buffer.substr(size), std::string(8, kGuard)) << "wrote past the size " << size;
  *text = buffer.c_str();
  if (raw) *raw = buffer.substr(0, size);
  return status;
}

// Each case into a large buffer, then into every buffer size below the
// smallest that holds the result: status 1, nothing past the size, a
// terminated text that is the start of the result; the typed-name shortcut
// leaves a small buffer untouched.
TEST(FormatName, GoldenCasesInEveryBufferSize) {
  for (const auto& c : ReadGolden("format_names.txt")) {
    SCOPED_TRACE(c.Where() + " " + c[2]);
    auto f = Held(c);
    const uint16_t flags = FormatFlags(c[4]);
    const std::string& full = c[7];
    std::string text;
    EXPECT_EQ(Format(f.get(), 4096, flags, &text), std::stoi(c[6]));
    EXPECT_EQ(text, full);
    const bool shortcut = c[0] == "typed" && flags == 0;
    const uint32_t minimum = static_cast<uint32_t>(std::stoul(c[8]));
    for (uint32_t size = 1; size < minimum; ++size) {
      std::string raw;
      ASSERT_EQ(Format(f.get(), size, flags, &text, &raw), hvcnERR_BUFFER_TOO_SMALL) << "size " << size;
      if (shortcut) {
        EXPECT_EQ(raw, std::string(size, kGuard)) << "size " << size;
      } else {
        ASSERT_LT(text.size(), size);
        EXPECT_EQ(full.compare(0, text.size(), text), 0) << "size " << size << ": " << text;
      }
    }
    EXPECT_EQ(Format(f.get(), minimum, flags, &text), hvcnSUCCESS) << "size " << minimum;
    EXPECT_EQ(text, full);
  }
}

TEST(FormatName, TheDefaultEscapeListStaysInTheFormat) {
  auto f = Parsed(nullptr);
  ASSERT_EQ(hvcnTranslateInternalFormat(f.get(), 3, "1\x1dSmith", 0, nullptr, 0, 0), hvcnSUCCESS);
  char text[64];
  EXPECT_EQ(hvcnFormatName(f.get(), text, sizeof text, 0), hvcnSUCCESS);
  EXPECT_STREQ(f->escapeList, "");  // only escaping fills it
  EXPECT_EQ(hvcnFormatName(f.get(), text, sizeof text, hvcnFN_ESCAPE), hvcnSUCCESS);
  EXPECT_STREQ(f->escapeList, "/,= ()");
  char list[16];
  EXPECT_EQ(hvcnGetFormatInfo(f.get(), list, sizeof list, hvcnINFO_ESCAPE_LIST), hvcnSUCCESS);
  EXPECT_STREQ(list, "/,= ()");
}

TEST(FormatName, ArgumentFaults) {
  auto f = Parsed(nullptr);
  std::strcpy(f->errorDetail, "old detail");
  char text[8] = "keep";
  EXPECT_EQ(hvcnFormatName(nullptr, text, sizeof text, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_EQ(hvcnFormatName(f.get(), nullptr, sizeof text, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_STREQ(f->errorDetail, "");  // emptied before the buffer is checked
  EXPECT_EQ(hvcnFormatName(f.get(), text, 0, 0), hvcnERR_BAD_PARAMETER);
  EXPECT_STREQ(text, "keep");
}

}  // namespace
