// The Windows side of the configuration helpers (the profile in the Windows
// folder, values in the registry, texts in the ANSI code page) and of child
// processes: CreateProcessA with an explicit environment block and working
// folder, standard output back through a pipe.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "platform.h"

namespace hvcn::test {
namespace {

constexpr const char* kProfileName = "TNUAL.INI";

std::filesystem::path WindowsFolder() {
  char folder[MAX_PATH];
  UINT n = GetWindowsDirectoryA(folder, sizeof folder);
  EXPECT_TRUE(n > 0 && n < sizeof folder) << "no Windows folder";
  return std::filesystem::path(std::string(folder, n < sizeof folder ? n : 0));
}

HKEY Root(bool currentUser) { return currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// "HKEY_CURRENT_USER\path" (or HKCU, HKEY_LOCAL_MACHINE, HKLM): the root
// and the path below it.
bool SplitKeyName(const std::string& name, bool* currentUser, std::string* path) {
  size_t slash = name.find('\\');
  if (slash == std::string::npos) return false;
  std::string root = name.substr(0, slash);
  if (root == "HKEY_CURRENT_USER" || root == "HKCU") *currentUser = true;
  else if (root == "HKEY_LOCAL_MACHINE" || root == "HKLM") *currentUser = false;
  else return false;
  *path = name.substr(slash + 1);
  while (!path->empty() && path->back() == '\\') path->pop_back();
  return !path->empty();
}

// A quoted REGEDIT text at text[*pos] (escapes \\ and \"); advances *pos.
bool Quoted(const std::string& text, size_t* pos, std::string* out) {
  if (*pos >= text.size() || text[*pos] != '"') return false;
  out->clear();
  for (size_t i = *pos + 1; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      *out += text[++i];
    } else if (text[i] == '"') {
      *pos = i + 1;
      return true;
    } else {
      *out += text[i];
    }
  }
  return false;
}

// UTF-8 text in another code page; bytes that are not UTF-8 stay as they are.
std::string Recode(const std::string& utf8, UINT codePage) {
  if (utf8.empty()) return utf8;
  const int length = static_cast<int>(utf8.size());
  int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (wide <= 0) return utf8;
  std::wstring text(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, text.data(), wide);
  int bytes = WideCharToMultiByte(codePage, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), wide, out.data(), bytes, nullptr, nullptr);
  return out;
}

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

std::string Native(const std::string& utf8) { return Recode(utf8, CP_ACP); }

std::string Oem(const std::string& utf8) { return Recode(utf8, CP_OEMCP); }

std::filesystem::path ProfilePath(const std::filesystem::path&) { return WindowsFolder() / kProfileName; }

// Windows keeps recently read profiles in memory and rereads one only when
// its time stamp changed, which a quick rewrite may not do. Writing with
// all three names null drops the cached copy.
void ProfileChanged() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, kProfileName); }

std::string ProfileFile::Environment() const { return std::string(); }

RegistryScenario::RegistryScenario(const std::string& regedit4, const std::filesystem::path&) {
  std::istringstream lines(regedit4);
  std::string line;
  HKEY key = nullptr;
  bool currentUser = false;
  std::string path;
  bool keyIsNew = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line == "REGEDIT4" || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      if (key) RegCloseKey(key);
      key = nullptr;
      if (!SplitKeyName(line.substr(1, line.size() - 2), &currentUser, &path)) {
        ADD_FAILURE() << "registry key not understood: " << line;
        continue;
      }
      // The first part of the path that does not exist yet is created here,
      // and removed with everything below it afterwards.
      keyIsNew = false;
      for (size_t end = 0; end != std::string::npos;) {
        end = path.find('\\', end + 1);
        std::string part = path.substr(0, end);
        HKEY probe = nullptr;
        if (RegOpenKeyExA(Root(currentUser), part.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
          RegCloseKey(probe);
          continue;
        }
        undo_.push_back({currentUser, part, true, {}, false, 0, {}});
        keyIsNew = true;
        break;
      }
      LONG status = RegCreateKeyExA(Root(currentUser), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr);
      if (status != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create " << line << " (error " << status << ")";
        key = nullptr;
      }
      continue;
    }
    if (!key) continue;
    // "Name"=... or @=... (the key's default value).
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') pos = 1;
    else if (!Quoted(line, &pos, &name)) continue;
    if (pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    DWORD type = REG_SZ;
    std::string data;
    if (line.compare(pos, 6, "dword:") == 0) {
      type = REG_DWORD;
      DWORD number = static_cast<DWORD>(std::stoul(line.substr(pos + 6), nullptr, 16));
      data.assign(reinterpret_cast<const char*>(&number), sizeof number);
    } else if (Quoted(line, &pos, &data)) {
      data += '\0';
    } else {
      ADD_FAILURE() << "registry value not understood: " << line;
      continue;
    }
    if (!keyIsNew) {
      Undo undo{currentUser, path, false, name, false, 0, {}};
      DWORD oldType = 0;
      DWORD size = 0;
      if (RegQueryValueExA(key, name.c_str(), nullptr, &oldType, nullptr, &size) == ERROR_SUCCESS) {
        undo.hadValue = true;
        undo.type = oldType;
        undo.data.resize(size);
        RegQueryValueExA(key, name.c_str(), nullptr, &oldType, reinterpret_cast<BYTE*>(undo.data.data()),
                         &size);
      }
      undo_.push_back(undo);
    }
    LONG status = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size()));
    EXPECT_EQ(status, ERROR_SUCCESS) << "cannot set " << line;
  }
  if (key) RegCloseKey(key);
}

RegistryScenario::~RegistryScenario() {
  for (auto undo = undo_.rbegin(); undo != undo_.rend(); ++undo) {
    HKEY root = Root(undo->currentUser);
    if (undo->removeKey) {
      RegDeleteTreeA(root, undo->key.c_str());
      RegDeleteKeyA(root, undo->key.c_str());
      continue;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, undo->key.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
    if (undo->hadValue)
      RegSetValueExA(key, undo->value.c_str(), 0, undo->type, reinterpret_cast<const BYTE*>(undo->data.data()),
                     static_cast<DWORD>(undo->data.size()));
    else
      RegDeleteValueA(key, undo->value.c_str());
    RegCloseKey(key);
  }
}

std::string RegistryScenario::Environment() const { return std::string(); }

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& folder,
                         int timeoutSeconds) {
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

  // The output while the process runs, until it ends or the time is up.
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds) * 1000;
  bool timedOut = false;
  char buffer[4096];
  for (;;) {
    DWORD available = 0;
    const bool open = PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) != FALSE;
    DWORD n = 0;
    if (available > 0 && ::ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) {
      result.out.append(buffer, n);
      continue;
    }
    if (!open) break;  // the process closed its end
    if (GetTickCount64() >= deadline) {
      timedOut = true;
      TerminateProcess(process.hProcess, 1);
      break;
    }
    WaitForSingleObject(process.hProcess, 20);
  }
  CloseHandle(readEnd);

  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  if (GetExitCodeProcess(process.hProcess, &exitCode)) result.exitCode = static_cast<int>(exitCode);
  if (timedOut) result.exitCode = kTimedOut;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

}  // namespace hvcn::test
