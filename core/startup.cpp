#include "core/startup.h"

#include <atomic>

#include "core/platform/chars.h"
#include "core/resource_library.h"
#include "core/strings.h"
#include "core/trace.h"

namespace hvcn {
namespace {

std::atomic<bool> g_started{false};

constexpr int32_t kLogFileSize = 257;

}  // namespace

bool LibraryStartup(os::Module self) noexcept {
  // 1. The resource library, or this module when none loads.
  os::Module resources = SelectResourceModule(self);
  SetResourceModule(resources ? resources : self);
  const os::Module module = ResourceModule();

  // 2. Tracing off until the level is known, and the start time (lines
  // about ignored configuration files may come before the level). The
  // trace buffer of the original design is a stack buffer per line here, so
  // nothing to allocate.
  trace::SetLevel(0);
  trace::SetStartTime(os::MonotonicSeconds());

  // 3. The log file name and where it lands (on posix a relative name goes
  // to the log folder, never the current one); the old log is deleted so
  // each load starts empty.
  char logFile[kLogFileSize];
  GetProfileText(module, kSectionNameParsing, kSettingLogFile, "tnname.log", logFile, kLogFileSize);
  os::CharToOem(logFile);
  char logPath[trace::kLogPathSize];
  char logFolder[trace::kLogPathSize];
  os::LogFileLocation(logFile, logPath, sizeof logPath, logFolder, sizeof logFolder);
  trace::SetLogFile(logPath, logFolder);
  os::DeleteFile(logPath);
  // Configuration files ignored so far (the registry, the profile) are
  // told in the new log.
  ReportConfigurationNotes();

  // 4. The trace level (low 16 bits).
  int32_t level = GetProfileNumber(module, kSectionNameParsing, kSettingLogLevel, 0);
  trace::SetLevel(static_cast<uint16_t>(level & 0xFFFF));

  // 5. Banner.
  if (trace::Level() != 0) {
    trace::Banner();
    trace::Line(trace::tag::kProblem, "Logging level 0x%x", trace::Level());
    trace::WriteLine(trace::tag::kInformation, ResourceSelectionReport());
  }

  // 6. Boolean words; 7. tag names and the DDA prefix.
  LoadProcessBoolWords(module);
  LoadTagNamesAtStartup(module);

  // 8. The process wildcard character.
  char wildcard[2];
  GetProfileText(module, kSectionNameParsing, kSettingWildcard, "*", wildcard, sizeof wildcard);
  SetProcessWildcard(wildcard[0]);

  // 9. Own stepping in UTF-8 mode.
  StepByCharacter = 1;
  Utf8Text = 1;

  g_started.store(true, std::memory_order_release);
  return true;
}

bool StartupDone() noexcept { return g_started.load(std::memory_order_acquire); }

}  // namespace hvcn
