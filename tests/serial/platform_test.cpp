// The POSIX stand-ins for the kernel services, where their behaviour is the
// program's contract: waits, read time-outs, exclusive open, line settings.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>

#include "serial/port_tables.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct OpenPort {
  HANDLE handle;
  explicit OpenPort(const char* name)
      : handle(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr)) {}
  ~OpenPort() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

TEST(Waits, LowestSignalledHandleWins) {
  HANDLE events[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr),
                      CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_TIMEOUT);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0 + 1);
  SetEvent(events[0]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0);
  ResetEvent(events[0]);
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, INFINITE),
            WAIT_OBJECT_0 + 1);  // manual reset: still set
  for (HANDLE e : events) CloseHandle(e);
}

TEST(Waits, MissingHandleFailsTheWait) {
  HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  HANDLE set[2] = {event, nullptr};
  EXPECT_EQ(WaitForMultipleObjects(2, set, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  CloseHandle(event);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);  // a closed handle is refused, not used
}

TEST(Waits, ThreadHandleSignalsWhenTheThreadEnds) {
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID event) -> DWORD {
        WaitForSingleObject(event, INFINITE);
        return 1;
      },
      release, 0, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
  SetEvent(release);
  EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  CloseHandle(thread);
  CloseHandle(release);
}

// COM1 opened with the program's line time-outs, and a record for one read.
struct ReadSetup {
  OpenPort port{"COM1"};
  OVERLAPPED ov{};
  char area[100] = {};
  DWORD got = 0;
  ReadSetup() {
    COMMTIMEOUTS timeouts = kLineTimeouts;
    SetCommTimeouts(port.handle, &timeouts);
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~ReadSetup() { CloseHandle(ov.hEvent); }
  BOOL Start() { return ReadFile(port.handle, area, 100, &got, &ov); }
};

class PortTest : public ::testing::Test {
 protected:
  void SetUp() override { home.Link("COM1", line.DevicePath()); }
  test::ConfigHome home;
  test::PtyPair line;
};

TEST_F(PortTest, PortNamesMapThroughThePortsDirectory) {
  home.Link("COM12", line.DevicePath());
  home.Link("COM5", "/nonexistent/device");
  EXPECT_NE(OpenPort("COM12").handle, INVALID_HANDLE_VALUE);
  EXPECT_NE(OpenPort(R"(\\.\COM12)").handle, INVALID_HANDLE_VALUE);  // the device-namespace name
  struct {
    const char* name;
    DWORD error;
  } refused[] = {{"COM5", ERROR_FILE_NOT_FOUND},
                 {"COM0", ERROR_FILE_NOT_FOUND},
                 {"LPT1", ERROR_FILE_NOT_FOUND},
                 {"COM1x", ERROR_FILE_NOT_FOUND},
                 {"", ERROR_FILE_NOT_FOUND}};
  for (auto& r : refused) {
    EXPECT_EQ(OpenPort(r.name).handle, INVALID_HANDLE_VALUE) << r.name;
    EXPECT_EQ(GetLastError(), r.error) << r.name;
  }
}

TEST_F(PortTest, OpenIsExclusive) {
  OpenPort first("COM1");
  ASSERT_NE(first.handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenPort("COM1").handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(PortTest, LineSettingsReadBackAndFlowControlIsKept) {
  OpenPort port("COM1");
  DCB dcb{};
  ASSERT_TRUE(GetCommState(port.handle, &dcb));
  dcb.fOutX = 1;
  dcb.fInX = 1;
  dcb.BaudRate = 14400;  // no B-constant exists for it
  ASSERT_TRUE(SetCommState(port.handle, &dcb));
  DCB back{};
  ASSERT_TRUE(GetCommState(port.handle, &back));
  EXPECT_EQ(back.BaudRate, 14400u);
  EXPECT_EQ(back.fOutX, 1u);
  EXPECT_EQ(back.fInX, 1u);
  back.StopBits = ONE5STOPBITS;
  EXPECT_FALSE(SetCommState(port.handle, &back));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PortTest, ReadEndsAfterItsTotalTimeOutOnASilentLine) {
  ReadSetup r;
  r.got = 99;
  auto start = Clock::now();
  ASSERT_FALSE(r.Start());
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  ASSERT_EQ(WaitForSingleObject(r.ov.hEvent, 10000), WAIT_OBJECT_0);
  auto took = Clock::now() - start;
  ASSERT_TRUE(GetOverlappedResult(r.port.handle, &r.ov, &r.got, FALSE));
  EXPECT_EQ(r.got, 0u);
  EXPECT_GE(took, 990ms);
  EXPECT_LT(took, 3000ms);
}

TEST_F(PortTest, ReadEndsSoonAfterABurstAndCancelAborts) {
  ReadSetup r;
  ASSERT_FALSE(r.Start());
  auto start = Clock::now();
  line.Write("Lodar >");
  ASSERT_EQ(WaitForSingleObject(r.ov.hEvent, 10000), WAIT_OBJECT_0);
  EXPECT_LT(Clock::now() - start, 900ms);  // the interval rule ended it, not the total
  ASSERT_TRUE(GetOverlappedResult(r.port.handle, &r.ov, &r.got, FALSE));
  EXPECT_EQ(std::string(r.area, r.got), "Lodar >");

  ASSERT_FALSE(r.Start());
  EXPECT_TRUE(CancelIoEx(r.port.handle, &r.ov));
  EXPECT_FALSE(GetOverlappedResult(r.port.handle, &r.ov, &r.got, TRUE));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
}

TEST_F(PortTest, ModemFunctionsOnADeviceWithoutModemLinesChangeNothing) {
  OpenPort port("COM1");
  DWORD status = 0xFF;
  EXPECT_TRUE(EscapeCommFunction(port.handle, SETDTR));
  EXPECT_TRUE(GetCommModemStatus(port.handle, &status));
  EXPECT_EQ(status, 0u);
  DWORD errors = 0xFF;
  COMSTAT stat{};
  line.Write("abc");
  ASSERT_TRUE(
      test::WaitUntil([&] { return ClearCommError(port.handle, &errors, &stat) && stat.cbInQue == 3; }));
  EXPECT_EQ(errors, 0u);
}

}  // namespace
