// The few thread services the batch engine needs: a mutex, a condition and
// a joinable thread that may fail to start. std::thread where the compiler
// has it; the Windows cross compiler's win32 thread model has not, so
// Windows uses the system's own slim locks, condition variables and threads.
#pragma once

#include <functional>
#include <memory>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#endif

namespace cli {

#if defined(_WIN32)

class Mutex {
 public:
  void lock() { AcquireSRWLockExclusive(&lock_); }
  void unlock() { ReleaseSRWLockExclusive(&lock_); }
  SRWLOCK* native() { return &lock_; }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

class Condition {
 public:
  void Wait(Mutex& mutex) { SleepConditionVariableSRW(&condition_, mutex.native(), INFINITE, 0); }
  void NotifyAll() { WakeAllConditionVariable(&condition_); }

 private:
  CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

class Thread {
 public:
  Thread() = default;
  ~Thread() { Join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Starts the body on a thread of its own; false when no thread can be had.
  bool Start(std::function<void()> body) {
    body_ = std::make_unique<std::function<void()>>(std::move(body));
    handle_ = CreateThread(nullptr, 0, &Thread::Run, body_.get(), 0, nullptr);
    return handle_ != nullptr;
  }
  void Join() {
    if (!handle_) return;
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  static DWORD WINAPI Run(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
  }
  std::unique_ptr<std::function<void()>> body_;
  HANDLE handle_ = nullptr;
};

inline int ProcessorCount() {
  DWORD count = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  return count > 0 ? static_cast<int>(count) : 1;
}

#else

class Mutex {
 public:
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  std::mutex& native() { return mutex_; }

 private:
  std::mutex mutex_;
};

class Condition {
 public:
  void Wait(Mutex& mutex) {
    std::unique_lock<std::mutex> lock(mutex.native(), std::adopt_lock);
    condition_.wait(lock);
    lock.release();
  }
  void NotifyAll() { condition_.notify_all(); }

 private:
  std::condition_variable condition_;
};

class Thread {
 public:
  Thread() = default;
  ~Thread() { Join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Starts the body on a thread of its own; false when no thread can be had
  // (out of memory or of threads).
  bool Start(std::function<void()> body) {
    try {
      thread_ = std::thread(std::move(body));
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

// The processors this process may run on.
int ProcessorCount();

#endif

}  // namespace cli
