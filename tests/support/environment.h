// Environment variables and resource modules for white-box tests.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "core/platform/os.h"

namespace hvcn::test {

inline void SetEnv(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value ? value : "");
#else
  if (value) setenv(name, value, 1);
  else unsetenv(name);
#endif
}

// Sets a variable for one scope and restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    SetEnv(name, value);
  }
  ~ScopedEnv() { SetEnv(name_, saved_ ? saved_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// A language resource library of the build ("tarnres" or "tarnresIT").
inline os::Module LoadResourceModule(const std::string& name) {
  return os::LoadLibrary((std::string(HVCN_TEST_LIB_DIR) + "/" + name + ".dll").c_str());
}

}  // namespace hvcn::test
