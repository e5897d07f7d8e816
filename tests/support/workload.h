// A fixed mix of calls over every export, shared by the thread test and the
// heap test: prepared once from the golden data (which allocates), then run
// any number of times without allocating. A run folds every status and every
// byte the library wrote into a digest, so two runs over the same corpus
// must give the same digest whatever runs beside them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "hvcn.h"

namespace hvcn::test {

class Workload {
 public:
  // `variant` chooses the format string the run's names are read with and a
  // rotation of the corpus, so that threads with different variants work on
  // different names at the same moment.
  explicit Workload(int variant);

  // Runs every call once with the caller's format; returns the digest.
  uint64_t Run(hvcnFormat* format) noexcept;

  // The export the current run is in (for reports of the heap test).
  static const char* CurrentCall() noexcept { return current_.load(std::memory_order_relaxed); }

  // Number of library calls one run makes.
  uint64_t CallsPerRun() const noexcept { return callsPerRun_; }

 private:
  struct Internal {
    int32_t type;
    std::string text;
  };
  struct Value {
    int32_t check;  // attribute ID or class, or 0-3 for the four class checks
    int32_t maximum;
    std::string text;
  };

  void Mix(uint64_t value) noexcept;
  void MixText(const char* text, size_t size) noexcept;
  void Enter(const char* call) noexcept;

  void FormatStrings(hvcnFormat* f) noexcept;
  void FormatInfo(hvcnFormat* f) noexcept;
  void InternalNames(hvcnFormat* f) noexcept;
  void TypedNames(hvcnFormat* f) noexcept;
  void Checks() noexcept;

  std::string formatString_;
  std::vector<std::string> formatStrings_;
  std::vector<Internal> internal_;
  std::vector<Value> values_;
  std::vector<std::string> internetNames_;
  std::vector<std::string> gsetbNames_;
  std::vector<std::string> typedNames_;

  uint64_t digest_ = 0;
  uint64_t calls_ = 0;
  uint64_t callsPerRun_ = 0;
  char out_[8192];
  char small_[16];

  static std::atomic<const char*> current_;
};

}  // namespace hvcn::test
