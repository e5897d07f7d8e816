// Why a typed name was refused, beyond the status text: where in the name
// the fault is and what would fit. The library itself is asked: the name is
// parsed again in parts on a format of the explainer's own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "hvcn.h"

namespace cli {

class Explainer {
 public:
  // The format string (null: the configured default) and parse flags of
  // the names to explain.
  Explainer(const char* formatString, uint32_t flags) : formatString_(formatString), flags_(flags) {}

  // The explanation of `status` for `name`, `failed` being the format the
  // name failed on (its tokens still hold the name's sections); "" when
  // there is nothing to add.
  std::string Explain(const hvcnFormat& failed, std::string_view name, int32_t status);

 private:
  // Parses a name on the explainer's format; its status, and its detail.
  int32_t Probe(const std::string& name, std::string* detail = nullptr);
  std::string X400Fault(const hvcnFormat& failed, std::string_view name, int32_t status);
  std::string TooManyWords(const hvcnFormat& failed, std::string_view name);

  const char* formatString_;
  uint32_t flags_;
  std::unique_ptr<hvcnFormat> format_;
  bool usable_ = false;
};

// Does the name look like a standard O/R address ("/G=John/S=Smith/C=US/",
// "G=John; S=Smith; C=US") rather than a typed name?
bool LooksLikeOrAddress(std::string_view name);

}  // namespace cli
