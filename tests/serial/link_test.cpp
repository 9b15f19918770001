// The serial link over a pty whose far end the test plays: the open and each
// way it fails, what the reader delivers, the writer on a shut or a dead line,
// and how a dead port ends the process. A stalled line's write: the
// controller's table (its box, once, and the upgrade ended there) and batch
// mode's stall-mid-image (given up after the port's 5 s).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "serial/serial_port.h"
#include "serial/writer.h"
#include "tests/support/pty_pair.h"
#include "tests/support/recorded_boxes.h"
#include "ui_core/message_pump.h"
#include "upgrade/rx_snapshot.h"

namespace test {
namespace {

using namespace std::string_literals;

class SerialLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home.Link("COM1", line.DevicePath());
    InitializeCriticalSection(&gRxLock);
  }
  void TearDown() override {
    CloseCommPort();
    DeleteCriticalSection(&gRxLock);
  }
  static bool Open() { return OpenCommPort(0, 0, 0, 0, 0) == 1; }

  ConfigHome home;
  PtyPair line;
  RecordedBoxes boxes;
};

// Each open by indices into the settings tables, on a line that had XON/XOFF
// on, which the port keeps, and RTS/CTS off, which it leaves off (a pty keeps
// that flag; a UART would hold every byte without CTS); each close ends the
// reader, and a second does nothing. The time-outs each open sets: the trace
// of tests/cases/batch.py's complete case. An open that fails says which step
// in a box and leaves no reader; a missing port and one another program holds:
// batch.py's port-trouble and port-held.
TEST_F(SerialLinkTest, EachOpenAppliesTheChosenSettingsOrStopsAtItsFailingStep) {
  const int fd = open(line.DevicePath().c_str(), O_RDWR | O_NOCTTY);
  termios flow{};
  tcgetattr(fd, &flow);
  flow.c_iflag |= IXON | IXOFF;
  tcsetattr(fd, TCSANOW, &flow);
  close(fd);
  for (const char* name : {"COM3", "COM9", "COM12"}) home.Link(name, line.DevicePath());
  home.Link("COM6", "/dev/null");  // opens, but is no serial line
  const struct {
    int port, baud, stop;
    DWORD rate;
    BYTE stopBits;
    std::vector<std::string> boxes{};  // the box of the step that fails; none: the open succeeds
    bool portLeftOpen = false;
  } cases[] = {{0, 0, 0, 115200, ONESTOPBIT},
               {8, 1, 0, 19200, ONESTOPBIT},
               {11, 9, 2, 110, TWOSTOPBITS},
               {2, 2, 0, 14400, ONESTOPBIT},
               {5, 0, 0, 0, 0, {"Error GetCommState"}, true},
               {0, 0, 1, 0, 0, {"Error SetCommState"}, true},  // 1.5 stop bits
               {-1, 0, 0, 0, 0, {"Error Create File "}},
               {12, 0, 0, 0, 0, {"Error Create File "}}};
  for (const auto& c : cases) {
    const RecordedBoxes seen;
    const bool opens = c.boxes.empty();
    EXPECT_EQ(OpenCommPort(c.port, c.baud, 0, 0, c.stop), opens ? 1 : 0) << c.port;
    EXPECT_EQ(seen.Texts(), c.boxes) << c.port;
    EXPECT_TRUE((m_ReadStatThread != nullptr) == opens && (ghThreadExitEvent != nullptr) == opens) << c.port;
    DCB dcb{};
    EXPECT_TRUE(!opens ||
                (GetCommState(ghCommPort, &dcb) && dcb.BaudRate == c.rate && dcb.StopBits == c.stopBits &&
                 dcb.ByteSize == 8 && dcb.Parity == NOPARITY && dcb.fOutX && dcb.fInX && !dcb.fOutxCtsFlow))
        << c.port << ": " << dcb.BaudRate << " baud, stop bits " << int(dcb.StopBits);
    EXPECT_EQ(CloseCommPort(), opens || c.portLeftOpen ? 1 : 0) << c.port;
    EXPECT_EQ(CloseCommPort(), 0) << c.port;
    EXPECT_TRUE(ghCommPort == nullptr && ghThreadExitEvent == nullptr && m_ReadStatThread == nullptr);
  }
}

std::string Bytes(std::size_t count, char first) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(first + static_cast<char>(i));
  return bytes;
}

// Each delivery goes after the ones since the buffer was cleared, with a zero
// byte after it; one that would leave none goes to the start again. Each
// burst is awaited before the next is written, so it is a delivery of its own.
TEST_F(SerialLinkTest, EachDeliveryGoesAfterTheLast) {
  const std::string first = Bytes(950, 'a'), next(60, 'Z');
  const struct {
    const char* what;
    std::vector<std::string> bursts;
    std::string start;
  } cases[] = {
      {"two bursts", {"Update F", "irmware\r\n"}, "Update Firmware\r\n\0"s},
      {"an arrival longer than a read", {Bytes(250, 1)}, Bytes(250, 1) + '\0'},
      {"one that would fill the buffer", {first, next}, next + first.substr(60)},
  };
  for (std::uint32_t count = TakeRxSnapshot().count; const auto& c : cases) {
    ClearRxBuffer();
    ASSERT_TRUE(Open());
    for (const std::string& burst : c.bursts) {
      line.Write(burst);
      count += static_cast<std::uint32_t>(burst.size());
      ASSERT_TRUE(WaitUntil([&] { return TakeRxSnapshot().count >= count; })) << c.what;
    }
    const RxSnapshot rx = TakeRxSnapshot();
    EXPECT_EQ(std::string(rx.bytes.begin(), rx.bytes.begin() + c.start.size()), c.start) << c.what;
    EXPECT_EQ(rx.count, count) << c.what << ": the count goes on across opens";
    EXPECT_EQ(CloseCommPort(), 1);
  }
}

TEST_F(SerialLinkTest, WriterWokenByTheExitEventAbandonsItsWrite) {
  ASSERT_TRUE(Open());
  const std::string flood(std::size_t{64} * 1024, 'F');  // more than the line takes at once
  gWriteBusy = 1;
  SetEvent(ghThreadExitEvent);  // as when the port is being shut down
  WriterGeneric(flood.data(), static_cast<std::int32_t>(flood.size()));
  ResetEvent(ghThreadExitEvent);
  EXPECT_EQ(gWriteBusy, 1);
  EXPECT_TRUE(boxes.Texts().empty());
}

// A backend that, like wx, shows the boxes other threads ask for only on the
// user-interface thread, the one that installed it: they wait in a queue.
class ServedBoxes {
 public:
  static void Install() {
    gUserInterface = std::this_thread::get_id();
    ui::SetMessageBoxHandler(&Ask);
    ui::SetEndServer(&Serve);
  }
  // Waits until another thread asks for a box; with `show`, shows the oldest, which the operator confirms.
  static bool Next(bool show) {
    std::unique_lock lock(gMutex);
    if (!gChanged.wait_for(lock, std::chrono::seconds(20), [] { return !gWaiting.empty(); })) return false;
    if (!show) return true;
    std::fprintf(stderr, "box: %s\n", gWaiting.front().c_str());
    gWaiting.pop_front();
    ++gShown;
    gChanged.notify_all();
    return true;
  }

 private:
  static int Ask(const char* text, UINT) {
    if (std::this_thread::get_id() == gUserInterface) return std::fprintf(stderr, "box: %s\n", text), IDOK;
    std::unique_lock lock(gMutex);
    gWaiting.emplace_back(text);
    const long ticket = gShown + static_cast<long>(gWaiting.size());
    gChanged.notify_all();
    gChanged.wait(lock, [&] { return gShown >= ticket; });
    return IDOK;
  }
  static void Serve() {
    while (std::this_thread::get_id() == gUserInterface) Next(true);
  }

  static inline std::thread::id gUserInterface;
  static inline std::mutex gMutex;
  static inline std::condition_variable gChanged;
  static inline std::deque<std::string> gWaiting;
  static inline long gShown = 0;
};

// The process ends as the port does: the operator's Exit closed it before a
// write (code 0, nothing said), or the line hung up (code 1) and the reader
// thread and the user-interface thread meet it in every order; whichever comes
// second waits, the user interface showing the boxes asked for meanwhile.
// Each row's steps on the user-interface thread: o opens the port and hangs the
// line up, a waits until the reader asks for a box, s shows it, S shows every
// box as it comes, c closes the port, w writes the probe's next byte.
TEST_F(SerialLinkTest, ADeadOrClosedPortEndsTheProcessOnceWhicheverThreadMeetsItFirst) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    const char* what;
    const char* steps;
    int code = 1;
    const char* said = "box: Close comm port error";
  } cases[] = {
      {"a write with no port open", "w", 0, "^$"},
      {"the reader alone", "oS", 1,
       "box: ReadFile( in)? ReaderAndStatusProc(.|\n)*Reader/Status Thread didn't exit(.|\n)*Close comm "
       "port error"},
      {"the user interface first, the reader waiting for its box", "oaw"},
      {"the reader first, then the user interface", "oasw"},
      {"the user interface last, the reader waiting for its close box", "oasaw"},
      {"a close while the reader waits for its box", "oacw", 1,
       "Reader/Status Thread didn't exit.\n\r(.|\n)*box: Close comm port error"}};
  for (const auto& c : cases) {
    const auto play = [&] {
      alarm(60);  // a process that hangs is killed, and the test fails
      ServedBoxes::Install();
      for (const char step : std::string_view(c.steps)) {
        if (step == 'o') Open(), line.HangUp();
        if ((step == 'a' && !ServedBoxes::Next(false)) || (step == 's' && !ServedBoxes::Next(true)))
          std::_Exit(3);
        while (step == 'S' && ServedBoxes::Next(true)) {
        }
        if (step == 'c') CloseCommPort();
        if (step == 'w') WriterGeneric("U", 1);
      }
      std::_Exit(6);
    };
    EXPECT_EXIT(play(), ::testing::ExitedWithCode(c.code), c.said) << c.what;
  }
}

}  // namespace
}  // namespace test
