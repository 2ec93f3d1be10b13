// GoogleTest's customisation point, seen by the Windows builds only. Their compiler's win32 thread
// model has no std::mutex or std::condition_variable, from which GoogleTest builds the
// notification its own thread tests use; this one waits on an atomic flag instead.
#pragma once

#include <atomic>

extern "C" __declspec(dllimport) int __stdcall SwitchToThread(void);

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) SwitchToThread();
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
