// A dead port ends the process with code 1 in every order in which the reader
// thread and the user-interface thread meet it, with a backend that, like wx,
// shows the boxes of other threads only on the user-interface thread.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "serial/writer.h"
#include "serial_fixture.h"
#include "ui_core/message_pump.h"

namespace test {
namespace {

// The boxes asked for by other threads wait in a queue until the
// user-interface thread (the one that installed it) shows them.
class ServedBoxes {
 public:
  static void Install() {
    gUserInterface = std::this_thread::get_id();
    ui::SetMessageBoxHandler(&Ask);
    ui::SetEndServer(&Serve);
  }
  // Waits for a box of another thread to be asked for, without showing it.
  static bool WaitForRequest() {
    std::unique_lock lock(gMutex);
    return gChanged.wait_for(lock, kBound, [] { return !gWaiting.empty(); });
  }
  // Shows the oldest box asked for by another thread; the operator confirms it.
  static bool ShowNext() {
    std::unique_lock lock(gMutex);
    if (!gChanged.wait_for(lock, kBound, [] { return !gWaiting.empty(); })) return false;
    Print(gWaiting.front());
    gWaiting.pop_front();
    ++gShown;
    gChanged.notify_all();
    return true;
  }

 private:
  static constexpr std::chrono::seconds kBound{20};

  static void Print(const std::string& text) { std::fprintf(stderr, "box: %s\n", text.c_str()); }

  static int Ask(const char* text, UINT) {
    if (std::this_thread::get_id() == gUserInterface) {
      Print(text);
      return IDOK;
    }
    std::unique_lock lock(gMutex);
    gWaiting.emplace_back(text);
    const long ticket = gShown + static_cast<long>(gWaiting.size());
    gChanged.notify_all();
    gChanged.wait(lock, [&] { return gShown >= ticket; });
    return IDOK;
  }

  static void Serve() {
    if (std::this_thread::get_id() != gUserInterface) return;
    for (;;) ShowNext();
  }

  static inline std::thread::id gUserInterface;
  static inline std::mutex gMutex;
  static inline std::condition_variable gChanged;
  static inline std::deque<std::string> gWaiting;
  static inline long gShown = 0;
};

struct Ordering {
  const char* name;
  bool readerBoxConfirmedFirst;
  bool readerAsksForItsCloseBoxFirst;
};

class PortFailureOrderTest : public SerialLinkTest, public ::testing::WithParamInterface<Ordering> {};

TEST_P(PortFailureOrderTest, EndsWithCodeOneOnceTheBoxesAreConfirmed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const Ordering ordering = GetParam();
  EXPECT_EXIT(
      {
        alarm(60);  // a process that hangs is killed, and the test fails
        ServedBoxes::Install();
        OpenDefault();
        line.HangUp();
        if (!ServedBoxes::WaitForRequest()) std::_Exit(3);
        if (ordering.readerBoxConfirmedFirst && !ServedBoxes::ShowNext()) std::_Exit(4);
        if (ordering.readerAsksForItsCloseBoxFirst && !ServedBoxes::WaitForRequest()) std::_Exit(5);
        // The probe's next byte finds the line dead at once.
        WriterGeneric("U", 1);
        std::_Exit(6);
      },
      ::testing::ExitedWithCode(1), "box: Close comm port error");
}

INSTANTIATE_TEST_SUITE_P(
    Orders, PortFailureOrderTest,
    ::testing::Values(Ordering{"UserInterfaceFirstWhileTheReaderWaitsForItsBox", false, false},
                      Ordering{"ReaderFirstThenTheUserInterface", true, false},
                      Ordering{"UserInterfaceLastWhileTheReaderWaitsForItsCloseBox", true, true}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace test
