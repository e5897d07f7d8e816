// The modules of a platform that loads no library at run time
// (WebAssembly): the language resource libraries are linked into the
// program with the library, and loading one picks its string table by the
// file name asked for, the way dlopen would pick a file. As on any posix
// system the library and its resource libraries sit in one folder, here a
// folder of names only.
#include <cstring>
#include <string_view>

#include "core/ascii.h"
#include "core/copy.h"
#include "core/platform/modules.h"

namespace hvcn {
// The resource libraries' tables (resources/CMakeLists.txt generates them
// from en.strings and it.strings for this platform).
extern const StringTable kTarnresStringTable;
extern const StringTable kTarnresITStringTable;
}  // namespace hvcn

namespace hvcn::os {
namespace {

constexpr std::string_view kFolder = "/hvcn/";

struct LinkedModule {
  const char* fileName;
  const StringTable* table;
};

constexpr LinkedModule kOwn{"hvcn.wasm", &kOwnStringTable};
constexpr LinkedModule kResourceLibraries[] = {
    {"tarnres.so", &kTarnresStringTable},
    {"tarnresIT.so", &kTarnresITStringTable},
};

Module AsModule(const LinkedModule& module) noexcept { return const_cast<LinkedModule*>(&module); }

}  // namespace

const StringTable* TableOf(Module module) noexcept {
  return module ? static_cast<const LinkedModule*>(module)->table : nullptr;
}

Module OwnModule() noexcept { return AsModule(kOwn); }

bool ModuleFileName(Module module, char* buffer, size_t size) noexcept {
  if (!buffer || size == 0 || !module) return false;
  const std::string_view name = static_cast<const LinkedModule*>(module)->fileName;
  char path[64];
  std::memcpy(path, kFolder.data(), kFolder.size());
  std::memcpy(path + kFolder.size(), name.data(), name.size());
  CopyBounded(buffer, size, std::string_view(path, kFolder.size() + name.size()));
  return true;
}

Module LoadLibrary(const char* path) noexcept {
  if (!path || !*path) return nullptr;
  std::string_view name = path;
  // In the library's folder, or a bare name.
  if (const size_t slash = name.rfind('/'); slash != std::string_view::npos) {
    if (name.substr(0, slash + 1) != kFolder) return nullptr;
    name.remove_prefix(slash + 1);
  }
  // The Windows name of the file (".dll") is the posix one (".so").
  std::string_view stem = name;
  if (stem.size() >= 4 && ascii::EqualNoCase(stem.substr(stem.size() - 4), ".dll"))
    stem.remove_suffix(4);
  else if (stem.size() >= 3 && stem.substr(stem.size() - 3) == ".so")
    stem.remove_suffix(3);
  else
    return nullptr;
  for (const LinkedModule& module : kResourceLibraries) {
    const std::string_view file = module.fileName;
    if (file.size() == stem.size() + 3 && file.substr(0, stem.size()) == stem) return AsModule(module);
  }
  return nullptr;
}

// The tables are part of the program: nothing to let go.
void UnloadLibrary(Module) noexcept {}

}  // namespace hvcn::os
