// The operating-system layer's contract, the same on both platforms: the
// posix stand-ins must answer as the Windows services do, and the Windows
// run checks the answers against the system itself.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/platform/os.h"
#include "support/golden.h"
#include "support/platform.h"

namespace hvcn {
namespace {

TEST(OperatingSystem, LocaleAbbreviations) {
  int cases = 0;
  for (const auto& c : test::ReadGolden("locale_names.txt")) {
    SCOPED_TRACE(c.Where());
    ++cases;
    char name[128] = "junk";
    bool found = os::LocaleAbbreviation(static_cast<uint32_t>(std::stoul(c[0], nullptr, 16)), name,
                                        sizeof name);
    if (c[1] == "-") {
      EXPECT_FALSE(found);
    } else {
      EXPECT_TRUE(found);
      EXPECT_STREQ(name, c[1].c_str());
    }
  }
  EXPECT_GT(cases, 50);
}

// The registry scenario: the same value name under both roots, a string
// and a dword.
constexpr const char* kValues =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\hvcn-tests\\Values]\r\n"
    "\"Text\"=\"C:\\\\Program Files\\\\Office16\\\\\"\r\n"
    "\"Number\"=dword:00000410\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\hvcn-tests\\Values]\r\n"
    "\"Text\"=\"machine\"\r\n";
constexpr const char* kKey = "Software\\hvcn-tests\\Values";
constexpr const char* kText = "C:\\Program Files\\Office16\\";

TEST(OperatingSystem, RegistryValuesOfEachKindAndRoot) {
  test::ScopedRegistry registry(kValues);
  os::RegistryKey user;
  ASSERT_TRUE(os::RegistryOpen(user, os::RegistryRoot::CurrentUser, kKey));
  char text[64];
  EXPECT_TRUE(os::RegistryReadString(user, "Text", text, sizeof text));
  EXPECT_STREQ(text, kText);
  EXPECT_TRUE(os::RegistryReadString(user, "text", text, sizeof text));  // names ignore case
  EXPECT_STREQ(text, kText);
  EXPECT_TRUE(os::RegistryReadString(user, "Text", text, std::strlen(kText) + 1));  // just fits
  EXPECT_STREQ(text, kText);
  EXPECT_FALSE(os::RegistryReadString(user, "Text", text, std::strlen(kText)));  // one byte short
  EXPECT_FALSE(os::RegistryReadString(user, "Number", text, sizeof text));       // not a string
  EXPECT_FALSE(os::RegistryReadString(user, "Missing", text, sizeof text));
  uint32_t number = 0;
  EXPECT_TRUE(os::RegistryReadDword(user, "Number", &number));
  EXPECT_EQ(number, 0x410u);
  EXPECT_FALSE(os::RegistryReadDword(user, "Text", &number));  // not a dword
  EXPECT_FALSE(os::RegistryReadDword(user, "Missing", &number));
  os::RegistryClose(user);

  os::RegistryKey machine;
  ASSERT_TRUE(os::RegistryOpen(machine, os::RegistryRoot::LocalMachine, kKey));
  EXPECT_TRUE(os::RegistryReadString(machine, "Text", text, sizeof text));
  EXPECT_STREQ(text, "machine");
  EXPECT_FALSE(os::RegistryReadDword(machine, "Number", &number));
  os::RegistryClose(machine);

  os::RegistryKey missing;
  EXPECT_FALSE(os::RegistryOpen(missing, os::RegistryRoot::CurrentUser, "Software\\hvcn-tests\\Missing"));
}

// The rows of regressions.txt of the kind os: a registry string that does
// not fit is refused, a module path that does not fit comes back cut.
TEST(OperatingSystem, Regressions) {
  const test::RowHandler os = [](const test::GoldenCase& c) -> std::vector<std::string> {
    char text[256];
    const uint32_t size = static_cast<uint32_t>(test::Int(c[2]));
    if (c[0] == "module") {
      return {os::ModuleFileName(os::OwnModule(), text, size) ? std::to_string(std::strlen(text)) : "unread"};
    }
    test::ScopedRegistry registry(kValues);
    os::RegistryKey user;
    EXPECT_TRUE(os::RegistryOpen(user, os::RegistryRoot::CurrentUser, kKey));
    const bool read = os::RegistryReadString(user, c[1].c_str(), text, size);
    os::RegistryClose(user);
    return {read ? "read" : "refused"};
  };
  const test::RowHandler other = [](const test::GoldenCase&) { return std::vector<std::string>(); };
  test::RunRegressions([&](const std::string& kind) { return kind == "os" ? &os : &other; });
}

TEST(OperatingSystem, TheRegistryScenarioIsGoneAfterwards) {
  { test::ScopedRegistry registry(kValues); }
  os::RegistryKey key;
  EXPECT_FALSE(os::RegistryOpen(key, os::RegistryRoot::CurrentUser, kKey));
  EXPECT_FALSE(os::RegistryOpen(key, os::RegistryRoot::LocalMachine, kKey));
}

TEST(OperatingSystem, ModuleFileNameOfTheCodeHolder) {
  // The library's objects are linked into this program, so the module that
  // holds them is the program.
  char path[1024];
  ASSERT_TRUE(os::ModuleFileName(os::OwnModule(), path, sizeof path));
  EXPECT_EQ(std::filesystem::path(path).stem().string(), "hvcn_unit_tests");
  char cut[8];
  EXPECT_TRUE(os::ModuleFileName(os::OwnModule(), cut, sizeof cut));
  EXPECT_EQ(std::string(cut), std::string(path, 7));
}

TEST(OperatingSystem, SingleByteStepsInTheSessionCodePage) {
  // The test session's ANSI code page has no double-byte characters (1252
  // under Wine's English locale), as the posix stand-ins assume.
  const char text[] = "a\xE9z";
  EXPECT_EQ(os::CharNextA(text), text + 1);
  EXPECT_EQ(os::CharNextA(text + 1), text + 2);
  EXPECT_EQ(os::CharNextA(text + 3), text + 3);  // stays on the NUL
  EXPECT_EQ(os::CharPrevA(text, text + 2), text + 1);
  EXPECT_EQ(os::CharPrevA(text, text), text);
  for (int byte = 0x80; byte <= 0xFF; ++byte) EXPECT_FALSE(os::IsDBCSLeadByte(static_cast<unsigned char>(byte)));
}

TEST(OperatingSystem, CharToOemConvertsInPlace) {
  // The log file name goes to the OEM code page before the file is opened.
  std::string name = test::Native("caffè-ü.log");
  os::CharToOem(name.data());
  EXPECT_EQ(name, test::Oem("caffè-ü.log"));
}

}  // namespace
}  // namespace hvcn
