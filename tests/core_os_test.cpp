// The operating-system layer's contract, the same on both platforms
// (tests/data/locale_names.txt, os.txt): the posix stand-ins must answer as
// the Windows services do, and the Windows run checks the answers against
// the system itself.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/platform/os.h"
#include "core/strings.h"
#include "core/trace.h"
#include "support/environment.h"
#include "support/files.h"
#include "support/golden.h"
#include "support/platform.h"

namespace hvcn {
namespace {

TEST(OperatingSystem, LocaleAbbreviations) {
  test::RunGolden("locale_names.txt", 3, 3, [](const test::GoldenCase& c) -> std::vector<std::string> {
    char name[128] = "junk";
    const auto id = static_cast<uint32_t>(std::stoul(c[0], nullptr, 16));
    const std::string answer = os::LocaleAbbreviation(id, name, sizeof name) ? name : "-";
    return {answer, c[2]};  // and the row's comment
  });
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

// The profile's text kept between lookups (posix): a profile with [S] K=A,
// written an hour ago (or just now: fresh), looked up three times, changed,
// and looked up three times again. The two values, or how many times the
// file was read.
std::vector<std::string> ProfileChange(const std::string& change, bool countReads) {
#if defined(_WIN32)
  (void)change, (void)countReads;
  return {};  // the system's own profile lookup
#else
  namespace fs = std::filesystem;
  const test::TempDir dir;
  const test::ScopedEnv folder("HVCN_PROFILE_DIR", dir.path().string().c_str());
  const fs::path path = dir.path() / "TNUAL.INI";
  const auto anHourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
  const auto write = [&](const fs::path& file, const std::string& text, fs::file_time_type time) {
    std::ofstream(file, std::ios::binary) << text;
    fs::last_write_time(file, time);
  };
  const auto lookUp = [] {
    char value[16] = "";
    for (int i = 0; i < 3; ++i) os::GetProfileString("TNUAL.INI", "s", "k", "-", value, sizeof value);
    return std::string(value);
  };
  write(path, "[S]\nK=A\n", change == "fresh" ? fs::file_time_type::clock::now() : anHourAgo);
  const uint64_t readsBefore = os::ConfigurationFileReads();
  const std::string before = lookUp();
  if (change == "size") write(path, "[S]\nK=BB\n", anHourAgo);
  if (change == "time") write(path, "[S]\nK=B\n", anHourAgo + std::chrono::minutes(1));
  if (change == "file") {
    write(dir.path() / "new", "[S]\nK=B\n", anHourAgo);
    fs::rename(dir.path() / "new", path);
  }
  const std::string after = lookUp();
  if (countReads) return {std::to_string(os::ConfigurationFileReads() - readsBefore)};
  return {before + " " + after};
#endif
}

// The rows of os.txt, and of regressions.txt of the kind os.
std::vector<std::string> Operation(const test::GoldenCase& c) {
  if (c[0] == "profile" || c[0] == "reads") return ProfileChange(c[1], c[0] == "reads");
  char text[256];
  if (c[0] == "number") {
    // A profile's number as its reader reads it, from an exactly sized copy.
    test::Exact digits(c[1]);
    return {std::to_string(ParseNumber(digits.get(), nullptr))};
  }
  if (c[0] == "logfile") {
    // The log file's name set without a folder (the bounded copy of a null
    // folder text), then set back.
    const std::string saved = trace::LogFile();
    trace::SetLogFile(c[1].c_str());
    const std::string answer = trace::LogFile();
    trace::SetLogFile(saved.c_str());
    return {answer};
  }
  if (c[0] == "module") {
    const auto size = static_cast<uint32_t>(test::Int(c[1]));
    return {os::ModuleFileName(os::OwnModule(), text, size) ? std::to_string(std::strlen(text)) : "unread"};
  }
  test::ScopedRegistry registry(kValues);
  os::RegistryKey key;
  const auto root = c[1] == "user" ? os::RegistryRoot::CurrentUser : os::RegistryRoot::LocalMachine;
  const bool opened = os::RegistryOpen(key, root, c[0] == "open" ? c[2].c_str() : kKey);
  uint32_t number = 0;
  std::string answer = "refused";
  if (c[0] == "open" && opened) answer = "opened";
  if (c[0] == "string" && opened && os::RegistryReadString(key, c[2].c_str(), text, static_cast<uint32_t>(test::Int(c[3]))))
    answer = text;
  if (c[0] == "dword" && opened && os::RegistryReadDword(key, c[2].c_str(), &number)) answer = std::to_string(number);
  if (opened) os::RegistryClose(key);
  return {answer};
}

TEST(OperatingSystem, RegistryValuesAndModulePath) { test::RunGolden("os.txt", 3, 5, Operation); }

TEST(OperatingSystem, Regressions) {
  const test::RowHandler os = Operation;
  const test::RowHandler other = [](const test::GoldenCase&) { return std::vector<std::string>(); };
  test::RunRegressions([&](const std::string& kind) { return kind == "os" ? &os : &other; });
}

#if !defined(_WIN32)
// Every note taken so far, joined by " | ".
std::string Notes() {
  std::string notes;
  char note[1200];
  while (os::TakeConfigurationNote(note, sizeof note)) notes += (notes.empty() ? "" : " | ") + std::string(note);
  return notes;
}

// The configuration files are read up to kConfigFileLimit bytes: a text of
// exactly that size is read whole, one byte more makes the file count as
// none, with a note (given once while the file stays as it is).
TEST(OperatingSystem, ConfigurationFilesUpToTheLimit) {
  Notes();
  const auto padded = [](const std::string& head, const std::string& tail, size_t size) {
    return head + std::string(size - head.size() - tail.size(), ';') + tail;
  };
  const std::string line = "\n[S]\nK=found\n";
  test::ScopedProfile profile;
  char value[16];
  profile.Write(padded("", line, os::kConfigFileLimit));
  os::GetProfileString("TNUAL.INI", "S", "K", "-", value, sizeof value);
  EXPECT_STREQ(value, "found");
  EXPECT_EQ(Notes(), "");
  profile.Write(padded("", line, os::kConfigFileLimit + 1));
  for (int i = 0; i < 2; ++i) {
    os::GetProfileString("TNUAL.INI", "S", "K", "-", value, sizeof value);
    EXPECT_STREQ(value, "-");
  }
  const std::string notes = Notes();
  EXPECT_EQ(notes.find("Configuration file "), 0u) << notes;
  EXPECT_NE(notes.find("TNUAL.INI ignored: larger than 1048576 bytes"), std::string::npos) << notes;
  EXPECT_EQ(notes.find(" | "), std::string::npos) << "one note for one state of the file: " << notes;

  const std::string values = "REGEDIT4\n[HKEY_CURRENT_USER\\" + std::string(kKey) + "]\n\"Number\"=dword:00000410\n";
  os::RegistryKey key;
  {
    test::ScopedRegistry registry(padded(values, "", os::kConfigFileLimit));
    EXPECT_TRUE(os::RegistryOpen(key, os::RegistryRoot::CurrentUser, kKey));
  }
  {
    test::ScopedRegistry registry(padded(values, "", os::kConfigFileLimit + 1));
    EXPECT_FALSE(os::RegistryOpen(key, os::RegistryRoot::CurrentUser, kKey));
    EXPECT_NE(Notes().find("ignored: larger than 1048576 bytes"), std::string::npos);
  }
}
#endif

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
