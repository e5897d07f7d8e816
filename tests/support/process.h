// Runs a program in a fresh process with its own environment and folder,
// for behaviours that only start-up decides.
#pragma once

#include <string>
#include <vector>

namespace hvcn::test {

struct ProcessResult {
  int exitCode = -1;
  std::string out;  // standard output
};

// Runs argv[0] with the arguments; the environment holds only PATH, the
// sanitizer options of this process and `environment` ("NAME=VALUE").
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& folder);

}  // namespace hvcn::test
