// The Windows implementation of the operating-system layer: each function is
// the Windows service it is named after, with the arguments the library
// relies on (the profile "TNUAL.INI" without a folder, KEY_READ on the two
// registry roots, LOCALE_SABBREVLANGNAME, LoadLibraryExA with no flags).
//
// Strings are ANSI: LoadStringA and GetPrivateProfileStringA answer in the
// process's ANSI code page, as every caller of the DLL expects.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// <windows.h> maps these names to their A/W variants with macros; the
// interface of this layer uses the plain names.
#undef LoadLibrary
#undef LoadString
#undef GetProfileString
#undef DeleteFile
#undef CharToOem

#include <cstring>

#include "core/platform/os.h"

namespace hvcn::os {
namespace {

// An address inside this library's code, to find the module that holds it.
const char kOwnModuleAnchor = 0;

HKEY RootKey(RegistryRoot root) noexcept {
  return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The Windows size arguments are 32-bit; larger buffers are used in part.
DWORD Dword(size_t size) noexcept {
  return size > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(size);
}

HANDLE AsHandle(FileHandle file) noexcept { return reinterpret_cast<HANDLE>(file); }

}  // namespace

// The module holding this code: hvcn.dll, or the program when the library's
// objects are linked into it (the white-box tests).
Module OwnModule() noexcept {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          &kOwnModuleAnchor, &module))
    return nullptr;
  return module;
}

bool ModuleFileName(Module module, char* buffer, size_t size) noexcept {
  if (!buffer || size == 0) return false;
  DWORD room = Dword(size);
  DWORD n = ::GetModuleFileNameA(static_cast<HMODULE>(module), buffer, room);
  if (n == 0) {
    buffer[0] = '\0';
    return false;
  }
  // A path longer than the buffer comes back cut (and, on old systems,
  // without its NUL): the call still succeeded.
  if (n >= room) buffer[room - 1] = '\0';
  return true;
}

Module LoadLibrary(const char* path) noexcept {
  if (!path || !*path) return nullptr;
  return ::LoadLibraryExA(path, nullptr, 0);
}

void UnloadLibrary(Module module) noexcept {
  if (!module || module == OwnModule()) return;
  ::FreeLibrary(static_cast<HMODULE>(module));
}

int LoadString(Module module, unsigned id, char* buffer, int size) noexcept {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  if (!module) return 0;
  int n = ::LoadStringA(static_cast<HINSTANCE>(module), id, buffer, size);
  if (n <= 0) {
    buffer[0] = '\0';
    return 0;
  }
  return n;
}

void GetProfileString(const char* file, const char* section, const char* key,
                      const char* fallback, char* buffer, size_t size) noexcept {
  if (!buffer || size == 0) return;
  ::GetPrivateProfileStringA(section, key, fallback ? fallback : "", buffer, Dword(size), file);
}

bool RegistryOpen(RegistryKey& key, RegistryRoot root, const char* path) noexcept {
  key = RegistryKey{};
  if (!path) return false;
  HKEY handle = nullptr;
  if (::RegOpenKeyExA(RootKey(root), path, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  key.handle = handle;
  key.root = root;
  key.open = true;
  return true;
}

bool RegistryReadString(RegistryKey& key, const char* name, char* buffer, size_t size) noexcept {
  if (!key.open || !buffer || size == 0) return false;
  DWORD type = 0;
  DWORD bytes = Dword(size);
  LONG status = ::RegQueryValueExA(static_cast<HKEY>(key.handle), name, nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer), &bytes);
  // A value larger than the buffer cannot be read (ERROR_MORE_DATA).
  bool ok = status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ);
  if (ok && (bytes == 0 || buffer[bytes - 1] != '\0')) {
    // Stored without its NUL: terminate it when there is room.
    if (bytes < size) buffer[bytes] = '\0';
    else ok = false;
  }
  if (!ok) buffer[0] = '\0';
  return ok;
}

bool RegistryReadDword(RegistryKey& key, const char* name, uint32_t* value) noexcept {
  if (!key.open || !value) return false;
  DWORD type = 0;
  DWORD data = 0;
  DWORD bytes = sizeof data;
  LONG status = ::RegQueryValueExA(static_cast<HKEY>(key.handle), name, nullptr, &type,
                                   reinterpret_cast<BYTE*>(&data), &bytes);
  if (status != ERROR_SUCCESS || type != REG_DWORD || bytes != sizeof data) return false;
  *value = data;
  return true;
}

void RegistryClose(RegistryKey& key) noexcept {
  if (key.open) ::RegCloseKey(static_cast<HKEY>(key.handle));
  key.handle = nullptr;
  key.open = false;
}

uint64_t ConfigurationFileReads() noexcept { return 0; }

bool TakeConfigurationNote(char*, size_t) noexcept { return false; }

bool LocaleAbbreviation(uint32_t locale, char* buffer, size_t size) noexcept {
  if (!buffer || size == 0) return false;
  int room = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
  if (::GetLocaleInfoA(static_cast<LCID>(locale), LOCALE_SABBREVLANGNAME, buffer, room) > 0)
    return true;
  buffer[0] = '\0';
  return false;
}

void CharToOem(char* text) noexcept {
  if (text) ::CharToOemA(text, text);
}

uint32_t ProcessId() noexcept { return static_cast<uint32_t>(::GetCurrentProcessId()); }

int64_t MonotonicSeconds() noexcept { return static_cast<int64_t>(::GetTickCount64() / 1000); }

FileHandle OpenForAppend(const char* name) noexcept {
  if (!name || !*name) return kNoFile;
  // Append-only access (no FILE_WRITE_DATA): every write lands at the end of
  // the file. Read access only makes the handle lockable.
  HANDLE file = ::CreateFileA(name, FILE_APPEND_DATA | FILE_READ_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kNoFile;
  return reinterpret_cast<FileHandle>(file);
}

void WriteFile(FileHandle file, const char* data, size_t size) noexcept {
  if (file == kNoFile) return;
  // Writers of the log, in this process or another, take turns on one byte
  // far past any real log's end: where the system's append is not one
  // operation (Wine, some network shares) two lines still never overlap.
  OVERLAPPED turn{};
  turn.Offset = 0xFFFFFFFEu;
  turn.OffsetHigh = 0x7FFFFFFFu;
  const bool locked = ::LockFileEx(AsHandle(file), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != FALSE;
  while (size > 0) {
    DWORD written = 0;
    if (!::WriteFile(AsHandle(file), data, Dword(size), &written, nullptr) || written == 0) break;
    data += written;
    size -= written;
  }
  if (locked) ::UnlockFileEx(AsHandle(file), 0, 1, 0, &turn);
}

void CloseFile(FileHandle file) noexcept {
  if (file != kNoFile) ::CloseHandle(AsHandle(file));
}

void DeleteFile(const char* name) noexcept {
  if (name && *name) ::DeleteFileA(name);
}

// The log file is the configured name as it stands: a relative name is
// relative to the current folder, and no folder is made for it.
void LogFileLocation(const char* name, char* path, size_t pathSize, char* folder,
                     size_t folderSize) noexcept {
  if (!path || pathSize == 0 || !folder || folderSize == 0) return;
  path[0] = '\0';
  folder[0] = '\0';
  if (!name) return;
  const size_t length = std::strlen(name);
  if (length + 1 > pathSize) return;
  std::memcpy(path, name, length + 1);
}

bool CreateFolders(const char*) noexcept { return false; }

const char* CharNextA(const char* position) noexcept {
  return position ? ::CharNextA(position) : position;
}

const char* CharPrevA(const char* start, const char* position) noexcept {
  return position ? ::CharPrevA(start, position) : start;
}

bool IsDBCSLeadByte(unsigned char byte) noexcept { return ::IsDBCSLeadByte(byte) != FALSE; }

}  // namespace hvcn::os
