// The modules of a posix system: the library's file by dladdr, the resource
// libraries by dlopen, each exporting its string table as hvcnStringTable.
#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string_view>

#include "core/ascii.h"
#include "core/copy.h"
#include "core/platform/modules.h"

namespace hvcn::os {
namespace {

// The own module is represented by the address of this object.
const char kOwnModuleTag = 0;

// A loaded resource library: its dlopen handle and its string table, looked
// up once when it is loaded so that string loads never call dlsym.
struct LoadedModule {
  void* handle;
  const StringTable* table;
};

}  // namespace

const StringTable* TableOf(Module module) noexcept {
  if (module == OwnModule()) return &kOwnStringTable;
  return module ? static_cast<const LoadedModule*>(module)->table : nullptr;
}

Module OwnModule() noexcept { return const_cast<char*>(&kOwnModuleTag); }

bool ModuleFileName(Module module, char* buffer, size_t size) noexcept {
  if (!buffer || size == 0) return false;
  Dl_info info{};
  const void* address = module == OwnModule() ? static_cast<const void*>(&kOwnModuleTag)
                                              : static_cast<const void*>(TableOf(module));
  if (!address) return false;
  if (::dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) {
    ssize_t n = ::readlink("/proc/self/exe", buffer, size - 1);
    if (n <= 0) return false;
    buffer[n] = '\0';
    return true;
  }
  CopyBounded(buffer, size, std::string_view(info.dli_fname));
  return true;
}

Module LoadLibrary(const char* path) noexcept {
  if (!path || !*path) return nullptr;
  char name[512];
  size_t length = std::strlen(path);
  if (length + 1 > sizeof name) return nullptr;
  std::memcpy(name, path, length + 1);
  if (length >= 4 && ascii::EqualNoCase(std::string_view(name + length - 4, 4), ".dll"))
    std::memcpy(name + length - 4, ".so", 4);
  void* handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  auto* table = static_cast<const StringTable*>(::dlsym(handle, HVCN_STRING_TABLE_SYMBOL));
  // Loaded at start-up only; the record lives as long as the process.
  auto* module = new (std::nothrow) LoadedModule{handle, table};
  if (!module) ::dlclose(handle);
  return module;
}

void UnloadLibrary(Module module) noexcept {
  if (!module || module == OwnModule()) return;
  auto* loaded = static_cast<LoadedModule*>(module);
  ::dlclose(loaded->handle);
  delete loaded;
}

}  // namespace hvcn::os
