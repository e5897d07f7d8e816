// The configuration sources of the library, installed for one scope the way
// each platform really has them:
//
//              posix (the stand-ins)               Windows
//   profile    <folder>/TNUAL.INI, HVCN_PROFILE_DIR  TNUAL.INI in the Windows folder
//   registry   a REGEDIT4 file, HVCN_REGISTRY        the registry (RegSetValueExA)
//   texts      UTF-8                                 the process's ANSI code page
//
// So the same scenario data serve both platforms. On Windows the profile and
// the registry are shared by every process of the session, child processes
// included: tests that install them must not run in parallel (CTest keeps
// them apart with a resource lock). Child processes for the start-up tests
// are made here too.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "environment.h"
#include "files.h"

namespace hvcn::test {

// A text as the library hands it out: the UTF-8 text itself on posix; on
// Windows the same characters in the ANSI code page, which is what
// LoadStringA returns.
std::string Native(const std::string& utf8);

// The same in the OEM code page on Windows (CharToOemA); UTF-8 on posix.
std::string Oem(const std::string& utf8);

// The profile file TNUAL.INI while this object lives. `folder` is where the
// posix stand-in looks; Windows looks in the Windows folder. An existing
// file there is put back afterwards.
class ProfileFile {
 public:
  explicit ProfileFile(const std::filesystem::path& folder);
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  // Writes the text (UTF-8; the ANSI code page on Windows).
  void Write(const std::string& text);
  // The environment a child process needs to find it ("" when none).
  std::string Environment() const;

 private:
  std::filesystem::path path_;
  std::optional<std::string> original_;
};

// The platform's side of ProfileFile: where the file of `folder` is, and
// what the system needs to hear after the file changed.
std::filesystem::path ProfilePath(const std::filesystem::path& folder);
void ProfileChanged();

// Registry keys and values from a REGEDIT4 text while this object lives:
// string values ("Name"="text") and dwords ("Name"=dword:00000410). On
// posix a file in `folder` that HVCN_REGISTRY names; on Windows the values
// are written into the registry and removed (or restored) afterwards, with
// the keys this object created.
class RegistryScenario {
 public:
  RegistryScenario(const std::string& regedit4, const std::filesystem::path& folder);
  ~RegistryScenario();
  RegistryScenario(const RegistryScenario&) = delete;
  RegistryScenario& operator=(const RegistryScenario&) = delete;

  // The environment a child process needs to see it ("" when none).
  std::string Environment() const;

 private:
  // One step the destructor takes back, latest first (Windows).
  struct Undo {
    bool currentUser = false;  // HKEY_CURRENT_USER, else HKEY_LOCAL_MACHINE
    std::string key;           // path below the root
    bool removeKey = false;    // the key was created here: remove it whole
    std::string value;         // else the value to put back or remove
    bool hadValue = false;
    unsigned long type = 0;
    std::string data;
  };
  std::string file_;
  std::vector<Undo> undo_;
};

// A profile for the code of this process (white-box tests).
class ScopedProfile {
 public:
  ScopedProfile() : file_(dir_.path()), env_("HVCN_PROFILE_DIR", dir_.path().string().c_str()) {}
  void Write(const std::string& text) { file_.Write(text); }

 private:
  TempDir dir_;
  ProfileFile file_;
  ScopedEnv env_;
};

// A registry scenario for the code of this process (white-box tests).
class ScopedRegistry {
 public:
  explicit ScopedRegistry(const std::string& regedit4)
      : scenario_(regedit4, dir_.path()), env_("HVCN_REGISTRY", Value(scenario_.Environment()).c_str()) {}

 private:
  static std::string Value(const std::string& assignment) {
    size_t equals = assignment.find('=');
    return equals == std::string::npos ? std::string() : assignment.substr(equals + 1);
  }
  TempDir dir_;
  RegistryScenario scenario_;
  ScopedEnv env_;
};

struct ProcessResult {
  int exitCode = -1;  // kTimedOut when it was stopped
  std::string out;    // standard output
};

inline constexpr int kTimedOut = -2;

// Runs argv[0] with the arguments in a fresh process, in `folder`; the
// environment holds only what the platform needs (PATH, the sanitizer
// options of this process; on Windows the system folders and Wine's debug
// setting) and `environment` ("NAME=VALUE"). A process still running after
// `timeoutSeconds` is killed: a start-up that hangs fails its test instead
// of holding up the run.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& folder,
                         int timeoutSeconds = 60);

}  // namespace hvcn::test
