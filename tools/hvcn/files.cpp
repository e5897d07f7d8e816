#include "files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli.h"

namespace cli {

bool ReadFile(const char* path, const char* what, std::string& data) {
  data.clear();
  FILE* file = std::fopen(path, "rb");
  if (!file) {
    Error("cannot read the %s file '%s': %s", what, path, std::strerror(errno));
    return false;
  }
  char block[4096];
  errno = 0;
  for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) data.append(block, got);
  const int readError = std::ferror(file) ? (errno ? errno : EIO) : 0;
  std::fclose(file);
  if (readError) {
    Error("cannot read the %s file '%s': %s", what, path, std::strerror(readError));
    return false;
  }
  return true;
}

bool ReadTextFile(const char* path, const char* what, const char* kind, std::string& text) {
  if (!ReadFile(path, what, text)) return false;
  if (const size_t nul = text.find('\0'); nul != std::string::npos) {
    const size_t line = 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(nul), '\n'));
    Error("the %s file '%s' holds a NUL byte on line %zu: %s is text", what, path, line, kind);
    return false;
  }
  return true;
}

}  // namespace cli
