#include "fuzz_support.h"

#include <filesystem>
#include <system_error>

namespace hvcn::fuzz {

void Configure(hvcnFormat* f, uint8_t settings) {
  static constexpr struct {
    uint8_t bit;
    uint16_t type;
    bool on;  // the flag's value when the bit is set
  } kSettings[] = {{kSevenBitOnly, hvcnINFO_7BIT_ONLY, true},     {kPreferTeletex, hvcnINFO_PREFER_TELETEX, true},
                   {kNoReconfig, hvcnINFO_NO_RECONFIG, true},     {kNotComplex, hvcnINFO_COMPLEX, false},
                   {kNoForeign, hvcnINFO_NO_FOREIGN, true},       {kOuTags, hvcnINFO_OU_TAGS, true},
                   {kX400Personal, hvcnINFO_X400_PERSONAL, true}, {kRsListUsual, hvcnINFO_RS_USER_ONLY, false}};
  for (const auto& s : kSettings) {
    const uint32_t value = ((settings & s.bit) != 0) == s.on;
    Check(hvcnSetFormatInfo(f, &value, s.type) == hvcnSUCCESS, "a flag is always set");
  }
}

std::unique_ptr<hvcnFormat> Ready(std::string_view formatString, uint8_t settings) {
  auto f = NewFormat();
  const ExactText text(formatString);
  if (hvcnParseFormatString(text.c_str(), f.get()) != hvcnSUCCESS) return nullptr;
  Configure(f.get(), settings);
  return f;
}

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
