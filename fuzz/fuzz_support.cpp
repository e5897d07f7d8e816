#include "fuzz_support.h"

#include <filesystem>
#include <system_error>

namespace hvcn::fuzz {

void TrimTraceLog() {
  // The library appends to its log with one write per line and reopens the
  // file for every line, so emptying it from here is safe at any moment.
  static const char* const log = std::getenv("HVCN_FUZZ_LOG");
  static unsigned calls = 0;
  constexpr std::uintmax_t kLimit = std::uintmax_t{64} << 20;
  if (!log || ++calls % 1024 != 0) return;
  std::error_code error;
  if (std::filesystem::file_size(log, error) > kLimit && !error) std::filesystem::resize_file(log, 0, error);
}

}  // namespace hvcn::fuzz
