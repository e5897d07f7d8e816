// The posix side of the configuration helpers: files the stand-ins read.
#include <fstream>
#include <system_error>

#include "platform.h"

namespace hvcn::test {

std::string Native(const std::string& utf8) { return utf8; }

std::string Oem(const std::string& utf8) { return utf8; }

ProfileFile::ProfileFile(std::filesystem::path folder) : path_(std::move(folder) / "TNUAL.INI") {
  if (std::filesystem::exists(path_)) {
    hadOriginal_ = true;
    original_ = ReadFile(path_.string());
  }
}

ProfileFile::~ProfileFile() {
  if (hadOriginal_) {
    std::ofstream(path_, std::ios::binary) << original_;
    return;
  }
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

void ProfileFile::Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }

std::string ProfileFile::Environment() const {
  return "HVCN_PROFILE_DIR=" + path_.parent_path().string();
}

RegistryScenario::RegistryScenario(const std::string& regedit4, const std::filesystem::path& folder)
    : file_((folder / "registry.reg").string()) {
  std::ofstream(file_, std::ios::binary) << regedit4;
}

RegistryScenario::~RegistryScenario() {
  std::error_code ignored;
  std::filesystem::remove(file_, ignored);
}

std::string RegistryScenario::Environment() const { return "HVCN_REGISTRY=" + file_; }

}  // namespace hvcn::test
