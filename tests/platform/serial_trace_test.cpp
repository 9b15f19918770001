// The serial trace module on its own: what each trace point writes, that the
// caller's last error survives it, that two threads never mix or reorder
// lines, that a line is in the file when the call returns, and that a trace
// that cannot be written is said once.
#include "serial_trace.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/pty_pair.h"

namespace {

std::vector<std::string> gComplaints;
void Remember(const std::string& text) { gComplaints.push_back(text); }

class SerialTrace : public ::testing::Test {
 protected:
  void SetUp() override {
    gComplaints.clear();
    folder_ = test::MakeTempFolder("orvex-trace-");
    path_ = folder_ + "/trace.txt";
  }
  void TearDown() override {
    StopSerialTrace();
    std::filesystem::remove_all(folder_);
  }

  void Start() { ASSERT_TRUE(StartSerialTrace(path_, Remember)); }

  // The event lines' texts, without the time column; the header is checked and dropped.
  std::vector<std::string> Events() const {
    std::ifstream in(path_);
    std::vector<std::string> events;
    std::string line;
    std::getline(in, line);
    EXPECT_TRUE(
        std::regex_search(line, std::regex(R"(^serial trace started \d{4}-\d\d-\d\dT[0-9:.]+Z \(UTC\))")))
        << line;
    const std::regex timed(R"(^ *\d+\.\d{3} (.*)$)");
    while (std::getline(in, line)) {
      std::smatch match;
      EXPECT_TRUE(std::regex_match(line, match, timed)) << line;
      events.push_back(match.size() > 1 ? match[1].str() : line);
    }
    return events;
  }

  std::string folder_;
  std::string path_;
};

struct Case {
  const char* what;
  std::function<void()> trace;
  const char* line;
};

TEST_F(SerialTrace, EachTracePointWritesItsLine) {
  static const BYTE kImage[2000] = {'S', '3', '2', '5'};
  static const unsigned char kOdd[] = {'A', '"', '\\', '\r', '\n', 0, 0xFF};
  DCB dcb{};
  dcb.BaudRate = 14400;
  dcb.ByteSize = 7;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = TWOSTOPBITS;
  const std::vector<Case> cases = {
      {"opening", [] { TracePortOpened(R"(\\.\COM3)", TRUE); }, R"(open \\.\COM3 -> ok)"},
      {"a failed opening names the error",
       [] {
         SetLastError(ERROR_ACCESS_DENIED);
         TracePortOpened(R"(\\.\COM3)", FALSE);
       },
       R"(open \\.\COM3 -> error 5 (ERROR_ACCESS_DENIED))"},
      {"timeouts",
       [] {
         TraceTimeouts(COMMTIMEOUTS{1, 2, 3, 4, 5}, TRUE);
       },
       "set timeouts: read interval 1, read 2 x n + 3, write 4 x n + 5 ms -> ok"},
      {"comm state", [&] { TraceCommState("set comm state", dcb, TRUE); },
       "set comm state: 14400 baud, 7 data bits, parity even, stop bits 2 -> ok"},
      {"a failed comm state shows no settings",
       [&] {
         SetLastError(ERROR_INVALID_PARAMETER);
         TraceCommState("get comm state", dcb, FALSE);
       },
       "get comm state -> error 87 (ERROR_INVALID_PARAMETER)"},
      {"queues", [] { TraceQueues(8196, 4096, TRUE); }, "set queues: in 8196, out 4096 bytes -> ok"},
      {"an error without a name",
       [] {
         SetLastError(12345);
         TraceDtr(FALSE);
       },
       "raise DTR -> error 12345"},
      {"modem lines", [] { TraceModemLines(MS_CTS_ON | MS_RLSD_ON, TRUE); },
       "modem lines: CTS on, DSR off, RING off, DCD on"},
      {"line errors", [] { TraceLineErrors(CE_OVERRUN | CE_FRAME); }, "line errors 0xA: overrun framing"},
      {"a probe write", [] { TraceWrite("U", 1, 1, ERROR_SUCCESS); }, R"(write 1 byte: 55 "U" -> ok)"},
      {"a read's bytes as hex and as escaped text", [] { TraceRead(kOdd, sizeof kOdd); },
       R"(read 7 bytes: 41 22 5C 0D 0A 00 FF "A\"\\\r\n\x00\xFF")"},
      {"the image", [] { TraceImage(kImage, sizeof kImage); }, "image 2000 bytes"},
      {"a chunk: offset, length, first and last bytes",
       [] { TraceWrite(kImage + 900, 900, 900, ERROR_SUCCESS); },
       "chunk at 900, 900 bytes: 00 00 00 00 00 00 00 00 .. 00 00 00 00 00 00 00 00 -> ok"},
      {"the first chunk", [] { TraceWrite(kImage, 4, 4, ERROR_SUCCESS); },
       "chunk at 0, 4 bytes: 53 33 32 35 -> ok"},
      {"a write time-out", [] { TraceWrite(kImage + 1800, 200, 17, ERROR_SUCCESS); },
       "chunk at 1800, 200 bytes: 00 00 00 00 00 00 00 00 .. 00 00 00 00 00 00 00 00 -> write timed out: 17 "
       "of "
       "200 bytes went out"},
      {"a failed write", [] { TraceWrite("update\r", 7, 0, ERROR_OPERATION_ABORTED); },
       R"(write 7 bytes: 75 70 64 61 74 65 0D "update\r" -> 0 of 7 bytes, error 995 (ERROR_OPERATION_ABORTED))"},
      {"giving up", [] { TraceGaveUp("probe", 101); }, "probe timed out: no reply after 101 attempts"},
      {"a message box", [] { TraceMessageBox("Write timed out.(overlapped)"); },
       R"x(box "Write timed out.(overlapped)")x"},
      {"closing", [] { TracePortClosed(); }, "close"},
  };
  Start();
  for (const Case& c : cases) c.trace();
  const std::vector<std::string> events = Events();
  ASSERT_EQ(events.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(events[i], cases[i].line) << cases[i].what;
}

// A long command shows its first bytes; an overlong box text is cut, its line still whole.
TEST_F(SerialTrace, DeviceNamesThatAreNotUtf8StayValidText) {
  Start();
  TracePortOpened(
      "/dev/serial/by-id/usb-\xFF"
      "adapter",
      TRUE);
  EXPECT_EQ(Events(), std::vector<std::string>{"open /dev/serial/by-id/usb-\xEF\xBF\xBD"
                                               "adapter -> ok"});
}

TEST_F(SerialTrace, LongLinesAreCutWhole) {
  const std::string command(500, 'x');
  const std::string text(3000, 'y');
  Start();
  TraceWrite(command.data(), 500, 500, ERROR_SUCCESS);
  TraceMessageBox(text.c_str());
  TracePortClosed();
  const std::vector<std::string> events = Events();
  ASSERT_EQ(events.size(), 3U);
  std::string hex = "78";
  for (int i = 1; i < 32; ++i) hex += " 78";
  EXPECT_EQ(events[0], "write 500 bytes: " + hex + " \"" + std::string(32, 'x') + "\" .. -> ok");
  EXPECT_EQ(events[1].substr(0, 10), "box \"yyyyy");
  EXPECT_GT(events[1].size(), 900U);
  EXPECT_LT(events[1].size(), 1100U);
  EXPECT_EQ(events[2], "close");
}

TEST_F(SerialTrace, ModemLinesOnlyWhenTheyChange) {
  Start();
  TraceModemLines(MS_CTS_ON, TRUE);
  TraceModemLines(MS_CTS_ON, TRUE);
  TraceModemLines(MS_CTS_ON | MS_DSR_ON, TRUE);
  SetLastError(ERROR_NOT_SUPPORTED);
  TraceModemLines(0, FALSE);
  TraceModemLines(0, FALSE);
  TracePortOpened("COM1", TRUE);  // a new port is seen afresh
  TraceModemLines(MS_CTS_ON, TRUE);
  EXPECT_EQ(Events(),
            (std::vector<std::string>{"modem lines: CTS on, DSR off, RING off, DCD off",
                                      "modem lines: CTS on, DSR on, RING off, DCD off",
                                      "modem lines: error 50 (ERROR_NOT_SUPPORTED)", "open COM1 -> ok",
                                      "modem lines: CTS on, DSR off, RING off, DCD off"}));
}

// The failure paths read GetLastError after the trace point.
TEST_F(SerialTrace, LeavesTheLastErrorAsItWas) {
  Start();
  SetLastError(ERROR_NOT_SUPPORTED);
  EXPECT_FALSE(TraceDtr(FALSE));
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
  SetLastError(ERROR_IO_PENDING);
  TraceWrite("U", 1, 0, ERROR_SUCCESS);
  TraceMessageBox("box");
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
}

TEST_F(SerialTrace, OffWritesNothing) {
  Start();
  TracePortClosed();
  StopSerialTrace();
  TracePortOpened("COM1", TRUE);
  TraceRead(reinterpret_cast<const unsigned char*>("x"), 1);
  EXPECT_EQ(Events(), std::vector<std::string>{"close"});
}

// The reader thread and the user-interface thread trace at once.
TEST_F(SerialTrace, TwoThreadsNeverMixOrReorderLines) {
  constexpr int kEach = 2000;
  Start();
  auto trace = [](const char* text, DWORD length) {
    for (int i = 0; i < kEach; ++i) TraceRead(reinterpret_cast<const unsigned char*>(text), length);
  };
  const std::string a(100, 'a');
  const std::string b(100, 'b');
  std::thread reader(trace, a.c_str(), 100);
  trace(b.c_str(), 100);
  reader.join();

  std::ifstream in(path_);
  std::string line;
  std::getline(in, line);
  const std::regex whole(R"(^ *(\d+\.\d{3}) read 100 bytes: (61( 61){99} "a{100}"|62( 62){99} "b{100}")$)");
  int lines = 0;
  double last = 0;
  while (std::getline(in, line)) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, whole)) << "line " << lines << ": " << line;
    const double ms = std::stod(match[1].str());
    ASSERT_GE(ms, last) << "line " << lines;
    last = ms;
    ++lines;
  }
  EXPECT_EQ(lines, 2 * kEach);
}

// The process may end through ExitProcess: no destructor, no stdio flush.
TEST_F(SerialTrace, EachLineIsInTheFileWhenTheCallReturns) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!StartSerialTrace(path_, Remember)) _exit(2);
    TracePortOpened("COM1", TRUE);
    TraceMessageBox("Close comm port error");
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"open COM1 -> ok", R"(box "Close comm port error")"}));
}

TEST_F(SerialTrace, OneThatCannotBeWrittenIsSaidOnce) {
  struct Unwritable {
    std::string path;
    const char* says;
  };
  const std::vector<Unwritable> rows = {
      {folder_, "(opening: Is a directory)"},
      {folder_ + "/missing/trace.txt", "(opening: No such file or directory)"},
      {"/dev/full", "(writing: No space left on device)"},
  };
  for (const Unwritable& row : rows) {
    gComplaints.clear();
    EXPECT_FALSE(StartSerialTrace(row.path, Remember)) << row.path;
    TracePortOpened("COM1", TRUE);
    TracePortClosed();
    ASSERT_EQ(gComplaints.size(), 1U) << row.path;
    EXPECT_NE(gComplaints[0].find(row.path + " " + row.says), std::string::npos) << gComplaints[0];
    EXPECT_NE(gComplaints[0].find("the upgrade goes on without it"), std::string::npos) << gComplaints[0];
  }
}

}  // namespace
