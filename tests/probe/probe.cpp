// hvcn_probe: loads a copy of the library by path, so that start-up runs in
// a fresh process with its own environment, folder and neighbouring
// resource libraries, then calls exports and prints what they answered.
//
//   hvcn_probe LIBRARY COMMAND [ARGS]...
//     error CODE SIZE     hvcnGetErrorText into SIZE bytes ("null" SIZE 0)
//     version SIZE        hvcnVersion
//     resource SIZE       hvcnGetResourceLibrary into two buffers of SIZE
//                         bytes: status|names|folder
//     format STRING       hvcnParseFormatString twice on one format ("-" for
//                         NULL); per call: status|formatString|slash|comma|
//                         wildcard|mask|flags|reconfigured list
//   prints "|"-separated lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hvcn.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
using Handle = HMODULE;
static Handle Open(const char* path) { return LoadLibraryA(path); }
static void* Symbol(Handle h, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(h, name));
}
#else
#include <dlfcn.h>
using Handle = void*;
static Handle Open(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void* Symbol(Handle h, const char* name) { return dlsym(h, name); }
#endif

namespace {

Handle g_library;

template <typename F>
F Load(const char* name) {
  void* symbol = Symbol(g_library, name);
  if (!symbol) {
    std::fprintf(stderr, "probe: no export %s\n", name);
    std::exit(3);
  }
  return reinterpret_cast<F>(symbol);
}

int Usage() {
  std::fprintf(stderr, "usage: hvcn_probe LIBRARY error CODE SIZE | version SIZE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in "\n" as on posix
#endif
  if (argc < 3) return Usage();
  g_library = Open(argv[1]);
  if (!g_library) {
    std::fprintf(stderr, "probe: cannot load %s\n", argv[1]);
    return 3;
  }
  std::string command = argv[2];
  if (command == "error" && argc == 5) {
    auto getErrorText = Load<decltype(&hvcnGetErrorText)>("hvcnGetErrorText");
    uint32_t size = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
    char buffer[1024];
    int32_t status = getErrorText(std::atoi(argv[3]), size ? buffer : nullptr, size);
    std::printf("%d|%s\n", status, (size && status != hvcnERR_BAD_PARAMETER) ? buffer : "");
    return 0;
  }
  if (command == "version" && argc == 4) {
    auto version = Load<decltype(&hvcnVersion)>("hvcnVersion");
    char buffer[64] = "unchanged";
    uint16_t interfaceNumber = 0;
    uint32_t size = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    int32_t status = version(buffer, size, &interfaceNumber);
    std::printf("%d|%s|%u\n", status, buffer, interfaceNumber);
    return 0;
  }
  if (command == "resource" && argc == 4) {
    auto resource = Load<decltype(&hvcnGetResourceLibrary)>("hvcnGetResourceLibrary");
    char names[1024] = "";
    char folder[1024] = "";
    uint32_t size = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    int32_t status = resource(names, size, folder, size);
    std::printf("%d|%s|%s\n", status, names, folder);
    return 0;
  }
  if (command == "format" && argc == 4) {
    auto parse = Load<decltype(&hvcnParseFormatString)>("hvcnParseFormatString");
    auto getInfo = Load<decltype(&hvcnGetFormatInfo)>("hvcnGetFormatInfo");
    static hvcnFormat format;
    const char* text = std::strcmp(argv[3], "-") == 0 ? nullptr : argv[3];
    for (int round = 0; round < 2; ++round) {
      int32_t status = parse(text, &format);
      char reconfigured[256] = "";
      getInfo(&format, reconfigured, sizeof reconfigured, hvcnINFO_RECONFIGURED);
      std::printf("%d|%s|%c|%c|%s|%d|0x%x|%s\n", status, format.formatString, format.slashChar, format.commaChar,
                  format.wildcardChar, format.x400Mask, format.flags, reconfigured);
    }
    return 0;
  }
  return Usage();
}
