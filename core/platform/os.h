// The operating-system layer: every service the library takes from the
// platform goes through these functions. Two implementations exist:
// os_win32.cpp (the real Windows functions) and os_posix.cpp (stand-ins that
// behave as the library expects of the Windows functions: a profile file, a
// REGEDIT4 registry file, a locale table, dlopen and exported string tables).
// Nothing outside core/platform includes a system header of either platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hvcn::os {

// A loaded module: this library or a language resource library.
using Module = void*;

// The module whose string table is compiled into this library. On Windows it
// is the DLL's own instance handle, recorded by the module entry.
Module OwnModule() noexcept;

// GetModuleFileNameA: the full path of the module's file, cut to size - 1
// bytes when longer. False on failure.
bool ModuleFileName(Module module, char* buffer, size_t size) noexcept;

// LoadLibraryExA(path, NULL, 0). On posix the name's ".dll" becomes ".so".
// Returns null when the library cannot be loaded.
Module LoadLibrary(const char* path) noexcept;

// The file-name suffix LoadLibrary really loads: ".dll", or ".so" on posix.
#if defined(_WIN32)
inline constexpr const char* kLibrarySuffix = ".dll";
#else
inline constexpr const char* kLibrarySuffix = ".so";
#endif

// FreeLibrary. The library itself never unloads its resource library; tests
// release what they loaded.
void UnloadLibrary(Module module) noexcept;

// LoadStringA: copies string resource `id` of the module, cut to size - 1
// bytes and terminated. Returns the length copied, 0 when there is none.
int LoadString(Module module, unsigned id, char* buffer, int size) noexcept;

// GetPrivateProfileStringA(section, key, fallback, buffer, size, file): the
// value of the key, trimmed and without one pair of surrounding quotes; the
// fallback when the key is absent. Section and key names ignore case.
void GetProfileString(const char* file, const char* section, const char* key,
                      const char* fallback, char* buffer, size_t size) noexcept;

// The posix stand-ins read TNUAL.INI and the registry file only where the
// name leads to a regular file of at most kConfigFileLimit bytes; anything
// else counts as no file (every setting its default, no registry keys) and
// leaves a note. Each file's text is kept in memory and read again only
// when the file changed (its size, its modification or change time, its
// device or inode), or when it had changed less than two seconds before it
// was read.
inline constexpr size_t kConfigFileLimit = size_t{1} << 20;

// Takes a note of a configuration file ignored ("Configuration file
// /etc/TNUAL.INI ignored: not a regular file"), at most one kept per file
// and each given once; false when there is none. Windows: never one.
bool TakeConfigurationNote(char* text, size_t size) noexcept;

// Registry access (RegOpenKeyExA with KEY_READ, RegQueryValueExA,
// RegCloseKey) under the two roots the library reads.
enum class RegistryRoot { LocalMachine, CurrentUser };

struct RegistryKey {
  void* handle = nullptr;  // HKEY on Windows
  RegistryRoot root = RegistryRoot::LocalMachine;
  char path[256] = {};     // the key path on posix
  bool open = false;
};

bool RegistryOpen(RegistryKey& key, RegistryRoot root, const char* path) noexcept;
// A string value (REG_SZ), terminated within size. False when missing, of
// another type, or too long for the buffer (ERROR_MORE_DATA).
bool RegistryReadString(RegistryKey& key, const char* name, char* buffer,
                        size_t size) noexcept;
// A four-byte value (REG_DWORD). False when missing or of another size.
bool RegistryReadDword(RegistryKey& key, const char* name, uint32_t* value) noexcept;
void RegistryClose(RegistryKey& key) noexcept;

// How many times the posix stand-ins have read the text of a configuration
// file (TNUAL.INI, the registry file) from the disk: a test hook. Windows
// reads its own way: 0.
uint64_t ConfigurationFileReads() noexcept;

// GetLocaleInfoA(locale, LOCALE_SABBREVLANGNAME): the three-letter language
// abbreviation of a Windows locale id; kUserDefaultLocale is the user's.
inline constexpr uint32_t kUserDefaultLocale = 0x0400;
bool LocaleAbbreviation(uint32_t locale, char* buffer, size_t size) noexcept;

// CharToOemA in place (no change on posix).
void CharToOem(char* text) noexcept;

// GetCurrentProcessId.
uint32_t ProcessId() noexcept;

// Whole seconds of a monotonic clock.
int64_t MonotonicSeconds() noexcept;

// Where the trace log goes, from the configured name (the profile's LogFile
// or the default). Windows: the name as it stands, a relative name being
// relative to the current folder; `folder` is "". posix: an absolute name
// as it stands (`folder` ""); a relative one inside the log folder, which
// is $HVCN_LOG_DIR, else $XDG_STATE_HOME/hvcn, else $HOME/.local/state/hvcn
// (relative XDG_STATE_HOME and HOME values do not count); `folder` is the
// folder the file lands in, to be created when the first line is written.
// With none of the variables set, a relative name with a ".." step (it
// would leave the log folder), or a path longer than the buffers, `path` is
// "": no log. The current folder is never used on posix.
void LogFileLocation(const char* name, char* path, size_t pathSize, char* folder,
                     size_t folderSize) noexcept;

// Creates a folder and the missing folders above it (posix: mode 0700, as
// befits a user's state); false when it cannot be made. Windows: false.
bool CreateFolders(const char* path) noexcept;

// The trace log file: append-only writes, each call one write. On posix
// opening never waits (a FIFO without a reader is no log) and a write that
// would wait is dropped.
using FileHandle = intptr_t;
inline constexpr FileHandle kNoFile = -1;
FileHandle OpenForAppend(const char* name) noexcept;
void WriteFile(FileHandle file, const char* data, size_t size) noexcept;
void CloseFile(FileHandle file) noexcept;
// Removes the old log. posix: only a regular file, the name judged without
// following a link (a link, device node, FIFO, socket or folder stays).
void DeleteFile(const char* name) noexcept;

// The ANSI/DBCS character services (single-byte code page on posix).
const char* CharNextA(const char* position) noexcept;
const char* CharPrevA(const char* start, const char* position) noexcept;
bool IsDBCSLeadByte(unsigned char byte) noexcept;

}  // namespace hvcn::os
