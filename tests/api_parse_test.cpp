// hvcnParseName through the shared library.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "hvcn.h"
#include "support/golden.h"
#include "support/names.h"

namespace {

using namespace hvcn::test;

std::unique_ptr<hvcnFormat> Parsed(const char* formatString) {
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(hvcnParseFormatString(formatString, f.get()), hvcnSUCCESS) << formatString;
  return f;
}

// An exactly sized copy of a name, so reading past it is caught.
std::unique_ptr<char[]> Exact(const std::string& text) {
  std::unique_ptr<char[]> copy(new char[text.size() + 1]);
  std::memcpy(copy.get(), text.c_str(), text.size() + 1);
  return copy;
}

TEST(ParseName, GoldenCases) {
  for (const auto& c : ReadGolden("parse_names.txt")) {
    SCOPED_TRACE(c.Where() + " " + c[3]);
    auto f = Parsed(FormatArgument(c[0]));
    uint32_t context = Hex(c[2]);
    auto name = Exact(c[3]);
    EXPECT_EQ(hvcnParseName(name.get(), f.get(), 0, nullptr, 0, &context, ParseFlags(c[1])), std::stoi(c[4]));
    EXPECT_EQ(HexText(context), c[5]);
    EXPECT_EQ(HexText(static_cast<uint32_t>(f->nameShape)), c[6]);
    EXPECT_EQ(HeldValues(*f), c[7]);
    EXPECT_EQ(std::string(f->errorDetail), c[8]);
    EXPECT_EQ(context & ~hvcnPARSE_CONTEXT_MASK, 0u);
  }
}

TEST(ParseName, ReadingsInTestOrder) {
  for (const auto& c : ReadGolden("readings.txt")) {
    SCOPED_TRACE(c.Where() + " " + c[2]);
    auto f = Parsed(FormatArgument(c[0]));
    std::string calls;
    uint32_t context = 0;
    for (int call = 0; call < 20; ++call) {
      int32_t status = hvcnParseName(c[2].c_str(), f.get(), 0, nullptr, 0, &context, ParseFlags(c[1]));
      if (status != hvcnSUCCESS) {
        calls += (calls.empty() ? "=> " : " => ") + std::to_string(status);
        break;
      }
      if (!calls.empty()) calls += " ; ";
      calls += HexText(static_cast<uint32_t>(f->nameShape)) + "/" + HexText(context) + " " + PersonalParts(*f);
      if ((context & 0x7FF0) == 0) {
        calls += " => 0";
        break;
      }
    }
    EXPECT_EQ(calls, c[3]);
  }
}

}  // namespace
