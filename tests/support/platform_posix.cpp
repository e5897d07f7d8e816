// The posix side of the configuration helpers (files the stand-ins read)
// and of child processes.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform.h"

namespace hvcn::test {

std::string Native(const std::string& utf8) { return utf8; }

std::string Oem(const std::string& utf8) { return utf8; }

std::filesystem::path ProfilePath(const std::filesystem::path& folder) { return folder / "TNUAL.INI"; }

void ProfileChanged() {}

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

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const std::string& folder,
                         int timeoutSeconds) {
  std::vector<std::string> env;
  for (const char* name : {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS", "LSAN_OPTIONS"})
    if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
  env.insert(env.end(), environment.begin(), environment.end());

  std::vector<char*> args;
#ifdef HVCN_TEST_EMULATOR
  // A build for another processor: the child runs under the same emulator
  // as the test program (the host kernel cannot start it by itself).
  static const char* const kEmulator[] = {HVCN_TEST_EMULATOR};
  for (const char* word : kEmulator) args.push_back(const_cast<char*>(word));
#endif
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  int pipeFds[2];
  ProcessResult result;
  if (pipe(pipeFds) != 0) return result;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    close(pipeFds[1]);
    if (chdir(folder.c_str()) != 0) _exit(126);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  close(pipeFds[1]);
  // The output until the child closes it, or until the time is up.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  bool timedOut = false;
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd readable{pipeFds[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) == 0) {
      timedOut = true;
      break;
    }
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.out.append(buffer, static_cast<size_t>(n));
  }
  close(pipeFds[0]);
  if (timedOut) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = timedOut ? kTimedOut : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace hvcn::test
