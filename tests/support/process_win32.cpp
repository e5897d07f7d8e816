// Child processes on Windows: CreateProcessA with an explicit environment
// block and working folder; standard output comes back through a pipe.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "process.h"

namespace hvcn::test {
namespace {

// Quotes one argument for the command line the way the C runtime of the
// child splits it again (backslashes before a quote are doubled).
std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& folder) {
  ProcessResult result;
  if (argv.empty()) return result;

  // What every Windows process needs (and, under Wine, its debug setting),
  // then the caller's variables. The block is a list of NUL-terminated
  // strings ending with an empty one.
  std::string block;
  for (const char* name : {"PATH", "SystemRoot", "windir", "TEMP", "TMP", "WINEDEBUG"})
    if (const char* value = std::getenv(name)) block += std::string(name) + "=" + value + '\0';
  for (const auto& assignment : environment) block += assignment + '\0';
  block += '\0';

  std::string program = std::filesystem::absolute(argv[0]).string();
  std::string commandLine = Quote(program);
  for (size_t i = 1; i < argv.size(); ++i) commandLine += " " + Quote(argv[i]);

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                block.data(), folder.c_str(), &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return result;
  }

  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) result.out.append(buffer, n);
  CloseHandle(readEnd);

  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  if (GetExitCodeProcess(process.hProcess, &exitCode)) result.exitCode = static_cast<int>(exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

}  // namespace hvcn::test
