// The POSIX stand-ins for the kernel services where their behaviour is the
// program's contract: waits, the folders, reads and their time-outs. Where the
// port names the program opens lead, tests/serial/link_test.cpp (COM1 to
// COM12 through the device namespace); a missing port and one held by another
// program, tests/cases/batch.py (port-trouble, port-held).
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>

#include "posix/config_home.h"
#include "posix/serial_file.h"
#include "tests/support/pty_pair.h"
#include "winapi.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(Waits, TheLowestSignalledHandleWinsAndAMissingOneFailsTheWait) {
  HANDLE events[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr),
                      CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_TIMEOUT);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0 + 1);
  SetEvent(events[0]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0);
  ResetEvent(events[0]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, INFINITE), WAIT_OBJECT_0 + 1);  // manual: still set
  HANDLE missing[2] = {events[1], nullptr};
  EXPECT_TRUE(WaitForMultipleObjects(2, missing, FALSE, 0) == WAIT_FAILED &&
              GetLastError() == ERROR_INVALID_HANDLE);
  for (HANDLE event : events) CloseHandle(event);
  EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_FAILED);  // a closed handle is refused, not used
  HANDLE thread = CreateThread(
      nullptr, 0, [](LPVOID) -> DWORD { return 1; }, nullptr, CREATE_SUSPENDED, nullptr);
  // A signal in a wait or a pause (a timer's, every 5 ms; a stop signal's, in the program)
  // is no failure and no end: each goes on to its time.
  std::signal(SIGALRM, [](int) {});
  itimerval every5ms{{0, 5000}, {0, 5000}}, off{};
  setitimer(ITIMER_REAL, &every5ms, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
  const auto paused = Clock::now();
  EXPECT_GE((Sleep(50), Clock::now()) - paused, 50ms);
  setitimer(ITIMER_REAL, &off, nullptr);
  ResumeThread(thread);
  EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  CloseHandle(thread);
}

// XDG_CONFIG_HOME and XDG_STATE_HOME count only when absolute; HOME, else the account's folder.
TEST(ConfigHome, FollowsTheBaseDirectoryRule) {
  const std::string account = getpwuid(getuid())->pw_dir;
  const struct {
    std::optional<std::string> xdg, home;
    std::string config, state;
  } cases[] = {
      {"/srv/x", "/home/op", "/srv/x", "/srv/x"},
      {"", "/home/op", "/home/op/.config", "/home/op/.local/state"},
      {"./x", "/home/op", "/home/op/.config", "/home/op/.local/state"},
      {std::nullopt, "/home/op", "/home/op/.config", "/home/op/.local/state"},
      {std::nullopt, std::nullopt, account + "/.config", account + "/.local/state"},
      {"x", "", account + "/.config", account + "/.local/state"},
  };
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  for (const auto& c : cases) {
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_STATE_HOME"})
      c.xdg ? setenv(variable, c.xdg->c_str(), 1) : unsetenv(variable);
    c.home ? setenv("HOME", c.home->c_str(), 1) : unsetenv("HOME");
    EXPECT_EQ(posix::ConfigHome(), c.config) << c.xdg.value_or("(unset)");
    EXPECT_EQ(posix::StateHome(), c.state) << c.xdg.value_or("(unset)");
  }
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_STATE_HOME");
}

// A port's name leads to its link, else to its UART. A read ends 1 ms after a burst's last byte, or with
// nothing at its total time-out (100 ms here); a cancelled one is aborted. That a pty's missing modem lines
// are no fault: every open raises DTR, and the reader's idle checks would show a box.
TEST(PortTest, ReadsEndByTheirTimeOutsOrACancel) {
  const test::ConfigHome home;
  const test::PtyPair line;
  home.Link("COM1", line.DevicePath());
  EXPECT_EQ(posix::DevicePathForPort("COM10"), "/dev/ttyS9");  // a port without a link: its UART
  HANDLE port = CreateFileA("COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
  const int lowestFree = dup(2);  // a second exclusive open is refused, and keeps no descriptor
  EXPECT_EQ(CreateFileA("COM1", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(dup(2), lowestFree + 1);
  COMMTIMEOUTS timeouts = {1, 0, 100, 0, 5000};
  SetCommTimeouts(port, &timeouts);
  OVERLAPPED ov{};
  ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  char area[100];
  DWORD got = 99;
  const auto start = Clock::now();
  ASSERT_TRUE(!ReadFile(port, area, 100, &got, &ov) && GetLastError() == ERROR_IO_PENDING);
  ASSERT_EQ(WaitForSingleObject(ov.hEvent, 10000), WAIT_OBJECT_0);
  EXPECT_GE(Clock::now() - start, 100ms);
  EXPECT_TRUE(GetOverlappedResult(port, &ov, &got, FALSE) && got == 0);
  timeouts.ReadTotalTimeoutConstant = 60000;
  SetCommTimeouts(port, &timeouts);
  ASSERT_FALSE(ReadFile(port, area, 100, &got, &ov));
  line.Write("Lodar >");
  ASSERT_EQ(WaitForSingleObject(ov.hEvent, 30000), WAIT_OBJECT_0);
  EXPECT_TRUE(GetOverlappedResult(port, &ov, &got, FALSE));
  EXPECT_EQ(std::string(area, got), "Lodar >");
  ASSERT_TRUE(!ReadFile(port, area, 100, &got, &ov) && CancelIoEx(port, &ov));
  EXPECT_TRUE(!GetOverlappedResult(port, &ov, &got, TRUE) && GetLastError() == ERROR_OPERATION_ABORTED);
  for (HANDLE handle : {ov.hEvent, port}) CloseHandle(handle);
}

}  // namespace
