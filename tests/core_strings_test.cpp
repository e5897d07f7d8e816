// String loading and the profile readers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/strings.h"
#include "support/environment.h"
#include "support/golden.h"
#include "support/platform.h"
#include "support/trace_capture.h"

namespace hvcn {
namespace {

// The resource libraries stay loaded for the whole run (static storage, so
// the leak checker sees them as reachable).
os::Module ModuleNamed(const std::string& name) {
  static os::Module english = test::LoadResourceModule("tarnres");
  static os::Module italian = test::LoadResourceModule("tarnresIT");
  os::Module m = name == "en" ? english : name == "it" ? italian : os::OwnModule();
  EXPECT_NE(m, nullptr) << "resource library " << name << " did not load";
  return m;
}

TEST(LoadLocalString, ExistingMissingAndSmallBuffers) {
  struct Case {
    const char* module;
    uint16_t id;
    int32_t size;
    const char* text;
    bool found;
  };
  const Case kCases[] = {
      {"own", 1001, 256, "Non si è riscontrato alcun problema.", true},
      {"own", 1001, 5, "Non ", true},
      {"own", 1000, 256, "Si è verificato un errore generale (%d)", true},
      {"own", 3301, 10, "g", true},
      {"own", 3100, 40, "3100", false},  // profile names live only in resource libraries
      {"own", 4999, 10, "4999", false},
      {"own", 4999, 8, "4999", false},
      {"own", 4999, 7, "", false},
      {"en", 1001, 256, "No problem was found.", true},
      {"en", 3100, 40, "NameParsing", true},
      {"en", 3443, 40, "Tag42", true},
      {"it", 3207, 10, "No", true},
  };
  for (const auto& c : kCases) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadLocalString(ModuleNamed(c.module), c.id, buffer, c.size), c.found) << c.id;
    EXPECT_EQ(buffer, test::Native(c.text)) << c.module << " " << c.id << " size " << c.size;
  }
}

TEST(LoadLocalString, TraceLines) {
  char buffer[64];
  {
    test::TraceCapture capture(0x0080);
    LoadLocalString(os::OwnModule(), 3300, buffer, sizeof buffer);
    LoadLocalString(os::OwnModule(), 4999, buffer, sizeof buffer);
    EXPECT_EQ(capture.TaggedTexts(),
              (std::vector<std::string>{"STRING_______ ID 3300 = s",
                                        ">>>>_________ bGWM: Could not load the string for ID 4999"}));
  }
  {
    test::TraceCapture capture(0);  // level 0: only the small-buffer line
    LoadLocalString(os::OwnModule(), 4999, buffer, 10);
    LoadLocalString(os::OwnModule(), 4999, buffer, 6);
    EXPECT_EQ(capture.TaggedTexts(),
              std::vector<std::string>{">>>>_________ bGWN: Small buffer - returning empty string"});
  }
}

TEST(ProfileReaders, GoldenCases) {
  test::ScopedProfile profile;
  for (const auto& c : test::ReadGolden("profile_readers.txt")) {
    SCOPED_TRACE(c.Where());
    profile.Write(c[2]);
    os::Module module = ModuleNamed(c[0]);
    const std::string& kind = c[1];
    if (kind == "text") {
      char value[256];
      bool found = GetProfileText(module, kSectionNameParsing, kSettingLogFile, c[3].c_str(), value,
                                  sizeof value);
      EXPECT_EQ(value, c[4]);
      EXPECT_EQ(found, c[5] == "1");
    } else if (kind == "number") {
      EXPECT_EQ(GetProfileNumber(module, kSectionNameParsing, kSettingLogLevel, std::stoi(c[3])),
                std::stoi(c[4]));
    } else {
      BoolWords words;
      LoadBoolWords(module, &words);
      EXPECT_EQ(GetProfileBool(module, kSectionNameParsing, kSettingSevenBitOnly, c[3] == "1", &words),
                std::stoi(c[4]));
    }
  }
}

TEST(ProfileReaders, TraceLinesForMissingNamesAndBadNumbers) {
  test::ScopedProfile profile;
  profile.Write("[NameParsing]\nLogLevel=letters\nLogFile=x.log\n");
  test::TraceCapture capture(0x0008);
  char value[64];
  GetProfileText(os::OwnModule(), kSectionNameParsing, kSettingLogFile, "tnname.log", value, sizeof value);
  GetProfileNumber(os::OwnModule(), kSectionNameParsing, kSettingLogLevel, 3);
  GetProfileNumber(ModuleNamed("en"), kSectionNameParsing, kSettingLogLevel, 3);
  GetProfileBool(ModuleNamed("en"), kSectionNameParsing, kSettingLogFile, true, nullptr);
  auto lines = capture.TaggedTexts();
  const std::vector<std::string> expected = {
      ">>>>_________ bGWM: Could not load the string for ID 3100",
      ">>>>_________ bGWM: Could not load the string for ID 3103",
      ">>>>_________ bGWCS: Could not get INI strings. Returning default tnname.log",
      ">>>>_________ bGWM: Could not load the string for ID 3100",
      ">>>>_________ bGWM: Could not load the string for ID 3104",
      ">>>>_________ lGWCL: Could not get INI strings. Returning default 3",
      "CONFIGURATION [NameParsing] LogLevel = letters",
      "CONFIGURATION Invalid numeric setting LogLevel = letters",
      "CONFIGURATION [NameParsing] LogFile = x.log",
      "CONFIGURATION Boolean value returned is 1",  // no word list: the default
  };
  EXPECT_EQ(lines, expected);
}

TEST(ProfileReaders, ParseNumberFollowsTheCLibraryRules) {
  struct Case {
    const char* text;
    int32_t value;
    size_t consumed;
  };
  constexpr Case kCases[] = {
      {"0x20", 32, 4}, {"010", 8, 3}, {"12ab", 12, 2}, {"ab", 0, 0},   {"-7", -7, 2},
      {"+9", 9, 2},    {"0", 0, 1},   {"0x", 0, 1},    {"089", 0, 1},  {" 5", 5, 2},
      {"0XfF", 255, 4}, {"-2147483649", INT32_MIN, 11},
  };
  for (const auto& c : kCases) {
    const char* end = nullptr;
    EXPECT_EQ(ParseNumber(c.text, &end), c.value) << c.text;
    EXPECT_EQ(static_cast<size_t>(end - c.text), c.consumed) << c.text;
  }
}

}  // namespace
}  // namespace hvcn
