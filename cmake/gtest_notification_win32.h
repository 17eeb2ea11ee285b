// GoogleTest's Notification for the win32 flavour of mingw-w64, whose C++
// library has no std::mutex or std::condition_variable: a Windows event.
// Force-included into GoogleTest's sources (full class) and into the tests
// (the declaration its headers need). GoogleTest uses it only to start the
// threads of its own tests; ours run on one thread.
#ifndef TICKBOMB_CMAKE_GTEST_NOTIFICATION_WIN32_H
#define TICKBOMB_CMAKE_GTEST_NOTIFICATION_WIN32_H

namespace testing::internal {
class Notification;
}  // namespace testing::internal

#ifdef TICKBOMB_GTEST_OWN_SOURCES
#include <windows.h>

namespace testing::internal {
class Notification {
 public:
  Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};
}  // namespace testing::internal
#endif

#endif
